#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

struct TSettings;

// The decoders a picture file is read with. A stored signature answers for the decoder that made
// it, so these numbers are kept in signature stores: never renumber or reuse one.
enum class TPictureDecoder : uint8_t {
    None = 0,
    Jpeg = 1,
    Png = 2,
    // Qt's reader choosing the codec from the content.
    Tiff = 3,
    Bmp = 4,
    Gif = 5,
    Webp = 6,
    Heif = 7,
    Jxl = 8,
    Raw = 9,
};

// How many values TPictureDecoder has; Raw is the last.
constexpr size_t kPictureDecoderCount = size_t(TPictureDecoder::Raw) + 1;

// One picture type: everything the settings file, the folder walk, the decoders, the command line
// and the settings dialog need to know about it.
struct TPictureType {
    // The setting that turns the type on, its key in the settings file and its default.
    bool TSettings::*Searched;
    const char *SettingsKey;
    bool SearchedByDefault;
    // Where the key comes among the types' keys of a settings file written from scratch.
    int FileOrder;
    // The name --types takes.
    const char *CommandLineName;
    // Said after the default in --help, or null.
    const char *CommandLineNote = nullptr;
    // Extensions, lower case with the dot, that select Decoder.
    std::vector<QByteArray> Extensions;
    TPictureDecoder Decoder;
    // The folder walk's mask; empty: "*" before each extension.
    QByteArray Mask {};
    // The settings dialog's check box and its caption; a caption marked for translation is
    // translated in the dialog's context.
    const char *CheckBoxName;
    const char *Caption;
};

// The first six types of the table: a search reads them by their extension whichever mask collected
// them, while the others decode nothing when they are off; a settings file lists their keys first;
// the settings dialog's layout is drawn for their rows.
constexpr std::size_t kFirstPictureTypes = 6;

// Every type, in the order a folder's files are collected, listed on the command line and shown
// in the settings dialog.
const std::vector<TPictureType> &PictureTypes();

// Whether `type`, an entry of PictureTypes(), is one of the first kFirstPictureTypes.
bool IsFirstPictureType(const TPictureType &type);

// The folder walk's masks of `type`, in collection order.
std::vector<QByteArray> MasksOf(const TPictureType &type);
