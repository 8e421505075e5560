// QV_TextReader: line and token reading over an open C stream for the text
// file forms. Malformed numbers read as 0; every read reports whether the
// stream still had something to give, so callers stop at the end of a file.
#pragma once

#include <cstdio>
#include <string>

class QV_TextReader {
public:
    explicit QV_TextReader(std::FILE* file) : f(file) {}

    // The next line without its newline (and without a carriage return before
    // it). False at the end of the stream when nothing was read.
    bool ReadLine(std::string& line);
    // Skips the rest of the current line, newline included. False at the end.
    bool SkipLine();
    // Skips blanks, tabs and line ends. False when the stream ends first.
    bool SkipWhite();
    // The next whitespace-separated token. False at the end of the stream.
    bool ReadToken(std::string& token);
    // Integer and float tokens; a malformed token reads as 0 (and is consumed).
    bool ReadInt(int& v);
    bool ReadFloat(float& v);
    bool AtEnd();

    // Integer after the first '=' of a line ("Key=12" gives 12; 0 when absent
    // or malformed).
    static int IntAfterEquals(const std::string& line);
    // The character after the first '=' ('\0' when there is none).
    static char CharAfterEquals(const std::string& line);

private:
    std::FILE* f;
};
