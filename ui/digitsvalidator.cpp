#include "ui/digitsvalidator.h"

namespace
{

bool IsAsciiDigit(QChar character) { return character >= u'0' && character <= u'9'; }

}

QValidator::State TDigitsValidator::validate(QString &input, int &position) const
{
    QString digits;
    digits.reserve(input.size());
    int newPosition = 0;
    for (qsizetype index = 0; index < input.size(); ++index) {
        if (!IsAsciiDigit(input[index]))
            continue;
        digits.append(input[index]);
        if (index < position)
            ++newPosition;
    }
    input = digits;
    position = newPosition;
    return Acceptable;
}
