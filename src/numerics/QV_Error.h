// Diagnostics shared by every layer: messages go to the error stream, either
// as they are or in the C library's error-printer form (text, ": ", errno text).
#pragma once

// Writes text to the error stream unchanged.
void QV_PrintError(const char* text);

// Writes text, ": " and the description of the current errno, then a newline,
// like the C library's perror().
void QV_PrintSystemError(const char* text);

// Reports that storage could not be obtained and ends the process.
[[noreturn]] void QV_OutOfMemory(const char* text);
