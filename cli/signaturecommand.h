#pragma once

struct Options;

// Loads and signs the picture of --signature as a search would and prints its signature.
// Returns the exit status: 1 with a message when the picture is skipped.
int RunSignature(const Options &options);
