#include "settings/picturetypes.h"

#include "settings/settings.h"

#include <QtGlobal>

#include <algorithm>

const std::vector<TPictureType> &PictureTypes()
{
    static const std::vector<TPictureType> types {
        {
            .Searched = &TSettings::SearchBMP,
            .SettingsKey = "SearchBMP",
            .SearchedByDefault = true,
            .FileOrder = 1,
            .CommandLineName = "bmp",
            .Extensions = { ".bmp" },
            .Decoder = TPictureDecoder::Bmp,
            .CheckBoxName = "BMPCheckBox",
            .Caption = " BMP",
        },
        {
            .Searched = &TSettings::SearchJPG,
            .SettingsKey = "SearchJPG",
            .SearchedByDefault = true,
            .FileOrder = 0,
            .CommandLineName = "jpg",
            .Extensions = { ".jpg", ".jpeg" },
            .Decoder = TPictureDecoder::Jpeg,
            .Mask = "*.jp*g",
            .CheckBoxName = "JPGCheckBox",
            .Caption = " JPG",
        },
        {
            .Searched = &TSettings::SearchGIF,
            .SettingsKey = "SearchGIF",
            .SearchedByDefault = true,
            .FileOrder = 2,
            .CommandLineName = "gif",
            .Extensions = { ".gif" },
            .Decoder = TPictureDecoder::Gif,
            .CheckBoxName = "GIFCheckBox",
            .Caption = " GIF",
        },
        {
            .Searched = &TSettings::SearchPNG,
            .SettingsKey = "SearchPNG",
            .SearchedByDefault = true,
            .FileOrder = 3,
            .CommandLineName = "png",
            .Extensions = { ".png" },
            .Decoder = TPictureDecoder::Png,
            .CheckBoxName = "PNGCheckBox",
            .Caption = " PNG",
        },
        {
            .Searched = &TSettings::SearchTIFF,
            .SettingsKey = "SearchTIFF",
            .SearchedByDefault = false,
            .FileOrder = 4,
            .CommandLineName = "tiff",
            .Extensions = { ".tif", ".tiff" },
            .Decoder = TPictureDecoder::Tiff,
            .Mask = "*.tif*",
            .CheckBoxName = "TIFFCheckBox",
            .Caption = " TIFF",
        },
        {
            .Searched = &TSettings::SearchCR2,
            .SettingsKey = "SearchCR2",
            .SearchedByDefault = false,
            .FileOrder = 5,
            .CommandLineName = "cr2",
            .Extensions = { ".cr2" },
            .Decoder = TPictureDecoder::Raw,
            .CheckBoxName = "CR2CheckBox",
            .Caption = QT_TRANSLATE_NOOP("TSettingsForm", "佳能 CR2"),
        },
        // The types after the first six.
        {
            .Searched = &TSettings::SearchWEBP,
            .SettingsKey = "SearchWEBP",
            .SearchedByDefault = true,
            .FileOrder = 6,
            .CommandLineName = "webp",
            .Extensions = { ".webp" },
            .Decoder = TPictureDecoder::Webp,
            .CheckBoxName = "WEBPCheckBox",
            .Caption = "WebP",
        },
        {
            .Searched = &TSettings::SearchHEIF,
            .SettingsKey = "SearchHEIF",
            .SearchedByDefault = true,
            .FileOrder = 7,
            .CommandLineName = "heif",
            .CommandLineNote = "covers HEIC, HEIF and AVIF",
            .Extensions = { ".heic", ".heif", ".avif" },
            .Decoder = TPictureDecoder::Heif,
            .CheckBoxName = "HEIFCheckBox",
            .Caption = "HEIC / AVIF",
        },
        {
            .Searched = &TSettings::SearchJXL,
            .SettingsKey = "SearchJXL",
            .SearchedByDefault = false,
            .FileOrder = 8,
            .CommandLineName = "jxl",
            .Extensions = { ".jxl" },
            .Decoder = TPictureDecoder::Jxl,
            .CheckBoxName = "JXLCheckBox",
            .Caption = "JPEG XL",
        },
        {
            .Searched = &TSettings::SearchRAW,
            .SettingsKey = "SearchRAW",
            .SearchedByDefault = false,
            .FileOrder = 9,
            .CommandLineName = "raw",
            .CommandLineNote = "the camera RAW types other than CR2",
            .Extensions = { ".cr3", ".nef", ".arw", ".dng", ".orf", ".rw2", ".raf", ".pef", ".srw" },
            .Decoder = TPictureDecoder::Raw,
            .CheckBoxName = "RAWCheckBox",
            .Caption = QT_TRANSLATE_NOOP("TSettingsForm", "其他相机 RAW"),
        },
    };
    return types;
}

bool IsFirstPictureType(const TPictureType &type)
{
    return std::size_t(&type - PictureTypes().data()) < kFirstPictureTypes;
}

std::vector<QByteArray> MasksOf(const TPictureType &type)
{
    if (!type.Mask.isEmpty())
        return { type.Mask };
    std::vector<QByteArray> masks;
    for (const QByteArray &extension : type.Extensions)
        masks.push_back('*' + extension);
    return masks;
}

TSettings::TSettings()
{
    for (const TPictureType &type : PictureTypes())
        this->*type.Searched = type.SearchedByDefault;
}

bool TSettings::AnyPictureTypeSelected() const
{
    const auto &types = PictureTypes();
    return std::any_of(types.begin(), types.end(), [&](const TPictureType &type) { return this->*type.Searched; });
}
