#include "engine/base/picturedecoder.h"

#include "settings/settings.h"

#include <algorithm>
#include <iterator>

namespace
{

struct TExtensionDecoder {
    const char *Extension;
    TPictureDecoder Decoder;
    // The setting that must be on for a search to read the type; null for the first six types,
    // which every search reads whichever mask collected them.
    bool TSettings::*SearchedWhen;
};

const TExtensionDecoder kExtensionDecoders[] = {
    { ".JPG", TPictureDecoder::Jpeg, nullptr },
    { ".JPEG", TPictureDecoder::Jpeg, nullptr },
    { ".PNG", TPictureDecoder::Png, nullptr },
    { ".TIF", TPictureDecoder::Tiff, nullptr },
    { ".TIFF", TPictureDecoder::Tiff, nullptr },
    { ".BMP", TPictureDecoder::Bmp, nullptr },
    { ".GIF", TPictureDecoder::Gif, nullptr },
    { ".CR2", TPictureDecoder::Raw, nullptr },
    { ".WEBP", TPictureDecoder::Webp, &TSettings::SearchWEBP },
    { ".HEIC", TPictureDecoder::Heif, &TSettings::SearchHEIF },
    { ".HEIF", TPictureDecoder::Heif, &TSettings::SearchHEIF },
    { ".AVIF", TPictureDecoder::Heif, &TSettings::SearchHEIF },
    { ".JXL", TPictureDecoder::Jxl, &TSettings::SearchJXL },
    { ".CR3", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".NEF", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".ARW", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".DNG", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".ORF", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".RW2", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".RAF", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".PEF", TPictureDecoder::Raw, &TSettings::SearchRAW },
    { ".SRW", TPictureDecoder::Raw, &TSettings::SearchRAW },
};

const TExtensionDecoder *entryOf(const QByteArray &path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0)
        return nullptr;
    const QByteArray extension = name.mid(dot).toUpper();
    const auto found = std::find_if(std::begin(kExtensionDecoders), std::end(kExtensionDecoders),
        [&](const TExtensionDecoder &entry) { return extension == entry.Extension; });
    return found == std::end(kExtensionDecoders) ? nullptr : found;
}

}

TPictureDecoder DecoderOf(const QByteArray &path)
{
    const TExtensionDecoder *entry = entryOf(path);
    return entry ? entry->Decoder : TPictureDecoder::None;
}

TPictureDecoder SearchedDecoderOf(const QByteArray &path, const TSettings &settings)
{
    const TExtensionDecoder *entry = entryOf(path);
    if (!entry || (entry->SearchedWhen && !(settings.*entry->SearchedWhen)))
        return TPictureDecoder::None;
    return entry->Decoder;
}
