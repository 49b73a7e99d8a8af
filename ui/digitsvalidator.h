#pragma once

#include <QValidator>

// Keeps only the ASCII digits of whatever reaches a field, typed or pasted, so that "3x4" becomes
// "34" instead of being refused whole.
class TDigitsValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString &input, int &position) const override;
};
