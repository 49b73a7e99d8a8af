#pragma once

#include <stdexcept>

// A picture that cannot be read: missing, unreadable, corrupt, too large or of an unknown type.
// The processing loop catches exactly this type and skips the picture.
class TPictureError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
