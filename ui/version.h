#pragma once

// The release number shown in the About box and compared with the published one by the update check.
inline constexpr char kProgramVersion[] = "1.2.1";
