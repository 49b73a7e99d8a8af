#include "engine/base/picturedecoder.h"

#include "settings/settings.h"

#include <algorithm>

namespace
{

const TPictureType *typeOf(const QByteArray &path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0)
        return nullptr;
    const QByteArray extension = name.mid(dot).toLower();
    const auto &types = PictureTypes();
    const auto found = std::find_if(types.begin(), types.end(), [&](const TPictureType &type) {
        return std::find(type.Extensions.begin(), type.Extensions.end(), extension) != type.Extensions.end();
    });
    return found == types.end() ? nullptr : &*found;
}

}

TPictureDecoder DecoderOf(const QByteArray &path)
{
    const TPictureType *type = typeOf(path);
    return type ? type->Decoder : TPictureDecoder::None;
}

TPictureDecoder SearchedDecoderOf(const QByteArray &path, const TSettings &settings)
{
    const TPictureType *type = typeOf(path);
    if (!type || (!IsFirstPictureType(*type) && !(settings.*type->Searched)))
        return TPictureDecoder::None;
    return type->Decoder;
}
