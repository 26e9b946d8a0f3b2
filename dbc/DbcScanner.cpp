#include "DbcScanner.h"

#include "DbcDatabase.h"

#include <cstring>

namespace dbc {

namespace {

bool isPunct(char c) {
    return c != '\0' && std::strchr(":;|@()[],", c) != nullptr;
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}
bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

} // namespace

void Scanner::fail(int line, const std::string& reason) const {
    throw DbcError(file_, line, reason);
}

bool Scanner::atLineEnd() const {
    return pos_ >= text_.size() || isLineEnd(text_[pos_]);
}

void Scanner::stepLineEnd() {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')
        ++pos_;
    ++pos_;
    ++line_;
}

bool Scanner::skipBlank(bool crossLines) {
    while (pos_ < text_.size()) {
        if (isBlank(text_[pos_]))
            ++pos_;
        else if (crossLines && isLineEnd(text_[pos_]))
            stepLineEnd();
        else
            break;
    }
    return pos_ >= text_.size();
}

std::string Scanner::restOfLine() const {
    size_t end = pos_;
    while (end < text_.size() && !isLineEnd(text_[end]))
        ++end;
    size_t begin = pos_;
    while (begin < end && isBlank(text_[begin]))
        ++begin;
    while (end > begin && isBlank(text_[end - 1]))
        --end;
    return text_.substr(begin, end - begin);
}

void Scanner::skipLine() {
    while (!atLineEnd())
        ++pos_;
    if (pos_ < text_.size())
        stepLineEnd();
}

Token Scanner::quoted() {
    Token token{Token::String, {}, line_};
    ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') {
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size() &&
            (text_[pos_ + 1] == '"' || text_[pos_ + 1] == '\\'))
            ++pos_;
        if (isLineEnd(text_[pos_])) {
            token.text += '\n';
            stepLineEnd();
            continue;
        }
        token.text += text_[pos_++];
    }
    if (pos_ >= text_.size())
        fail(token.line, "a text in quotes is not closed");
    ++pos_;
    return token;
}

Token Scanner::next(bool crossLines) {
    skipBlank(crossLines);
    if (atLineEnd())
        return Token{Token::End, {}, line_};
    const char c = text_[pos_];
    if (c == '"')
        return quoted();
    if (isPunct(c)) {
        ++pos_;
        return Token{Token::Punct, std::string(1, c), line_};
    }
    const size_t begin = pos_;
    while (!atLineEnd() && !isBlank(text_[pos_]) && !isPunct(text_[pos_]) && text_[pos_] != '"')
        ++pos_;
    return Token{Token::Word, text_.substr(begin, pos_ - begin), line_};
}

Token Scanner::peek(bool crossLines) {
    const size_t pos = pos_;
    const int line = line_;
    Token token = next(crossLines);
    pos_ = pos;
    line_ = line;
    return token;
}

} // namespace dbc
