// Whole-number option values of the authoring subcommands: the whole text
// must be the number, within the range the option allows.
#pragma once

// True with `out` set when `text` is a decimal number from `low` to `high`.
bool ParseWholeNumber(const char* text, long low, long high, int& out);
