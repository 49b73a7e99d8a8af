#include "signaturefixtures.h"

#include <cstring>
#include <random>
#include <set>

std::vector<TSignatureLists> MakeClusteredSignatures(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<TSignatureLists> signatures(count);
    for (int n = 0; n < count; ++n) {
        std::vector<int> positions;
        const bool nearCopy = n > 10 && random() % 10 == 0;
        const TSignatureLists &original = signatures[nearCopy ? random() % n : 0];
        std::set<int> used;
        for (int j = 0; j < 2 * kSignatureSize && positions.size() < 250u; ++j) {
            int position = 0;
            if (nearCopy && j < 210) {
                const TWaveletCoefs &coefs = j % 2 ? original.Negative : original.Positive;
                position = coefs.PackedAt(j / 2);
            } else {
                position = random() % 4 != 0 ? int(1 + random() % 300) : int(1 + random() % 16383);
            }
            if (position != 0 && used.insert(position).second)
                positions.push_back(position);
        }
        for (std::size_t j = 0; j < positions.size(); ++j) {
            TWaveletCoefs &coefs = j % 2 ? signatures[n].Negative : signatures[n].Positive;
            coefs.Set(int(j / 2), { positions[j] / 128, positions[j] % 128 });
        }
    }
    return signatures;
}

TPictureSignature NumberedSignature(const TSignatureLists &lists, int n)
{
    TPictureSignature signature;
    signature.Height = 100;
    signature.Width = 100;
    std::memcpy(signature.PreBuffer.data(), &n, sizeof n);
    signature.WaveletCoefsPos = lists.Positive;
    signature.WaveletCoefsNeg = lists.Negative;
    return signature;
}
