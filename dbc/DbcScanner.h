#pragma once
// The tokens of a DBC file: words (names, keywords, numbers), quoted strings
// (which may run over several lines; \" and \\ are escapes) and the
// punctuation : ; | @ ( ) [ ] , — with the line each starts on.

#include <string>

namespace dbc {

struct Token {
    enum Kind { End, Word, String, Punct } kind = End;
    std::string text;
    int line = 0;

    bool is(char punct) const { return kind == Punct && text.size() == 1 && text[0] == punct; }
};

class Scanner {
public:
    Scanner(const std::string& text, const std::string& file) : text_(text), file_(file) {}

    // The next token; within the current line only unless `crossLines`
    // (an End token at the line's end, or at the end of the text).
    Token next(bool crossLines);
    Token peek(bool crossLines);
    // Skips blanks and, when `crossLines`, line ends; true at the end of the text.
    bool skipBlank(bool crossLines);
    // The rest of the current line, trimmed, without consuming it.
    std::string restOfLine() const;
    void skipLine();
    int line() const { return line_; }

    // Throws DbcError for this file.
    [[noreturn]] void fail(int line, const std::string& reason) const;

private:
    bool atLineEnd() const;
    void stepLineEnd();
    Token quoted();

    const std::string& text_;
    const std::string& file_;
    size_t pos_ = 0;
    int line_ = 1;
};

} // namespace dbc
