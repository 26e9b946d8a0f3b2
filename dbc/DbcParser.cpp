// The DBC reader: one function per statement, each opening with its rule.
// Statements that Kestrel does not use are skipped up to the ';' that ends
// them; a reference to a message or signal that does not exist is an error
// where it would change decoding (VAL_, SIG_VALTYPE_) and ignored where it
// only adds a remark (CM_, BA_).

#include "DbcDatabase.h"
#include "DbcScanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

namespace dbc {

DbcError::DbcError(const std::string& file, int line, const std::string& reason)
    : std::runtime_error("Cannot read " + file + ": line " + std::to_string(line) + ": " + reason),
      line_(line) {}

const Signal* Message::findSignal(const std::string& signalName) const {
    for (const Signal& s : signalList)
        if (s.name == signalName)
            return &s;
    return nullptr;
}

namespace {

constexpr uint64_t kKeyExtended = 1ull << 32;
constexpr uint32_t kExtendedFlag = 0x80000000u;
// The identifier DBC editors give the pseudo-message that holds signals not
// yet placed in any message; it is no frame on the bus.
constexpr uint32_t kIndependentSignals = 0xC0000000u;
constexpr int kMaxFrameBytes = 64; // CAN FD

uint64_t idKey(uint32_t id, bool extended) {
    return id | (extended ? kKeyExtended : 0);
}

template <typename T> bool parseNumber(const std::string& text, T& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if constexpr (std::is_floating_point_v<T>)
        return ec == std::errc() && stop == end && std::isfinite(value);
    else
        return ec == std::errc() && stop == end;
}

// The byte after the last one the signal occupies.
int bytesNeeded(const Signal& s) {
    if (s.order == ByteOrder::Intel)
        return (s.startBit + s.length - 1) / 8 + 1;
    const int inFirstByte = s.startBit % 8 + 1;
    const int rest = std::max(0, s.length - inFirstByte);
    return s.startBit / 8 + 1 + (rest + 7) / 8;
}

class Parser {
public:
    Parser(const std::string& text, const std::string& file) : sc_(text, file) {}

    Database run() {
        while (!sc_.skipBlank(true))
            statement();
        finish();
        return std::move(db_);
    }

private:
    struct SignalPlace {
        size_t message; // index in the database
        std::string signal;
        int line;
    };

    void statement() {
        const Token keyword = sc_.next(true);
        if (keyword.kind != Token::Word)
            sc_.fail(keyword.line, "a statement starts with '" + keyword.text + "'");
        const std::string& k = keyword.text;
        if (k != "SG_")
            current_ = nullptr;
        if (k == "VERSION")
            version();
        else if (k == "NS_")
            newSymbols();
        else if (k == "BS_")
            sc_.skipLine();
        else if (k == "BU_")
            nodes();
        else if (k == "BO_")
            message(keyword.line);
        else if (k == "SG_")
            signal(keyword.line);
        else if (k == "CM_")
            comment();
        else if (k == "BA_DEF_DEF_")
            attributeDefault();
        else if (k == "BA_")
            attribute(keyword);
        else if (k == "VAL_")
            valueTable(keyword.line);
        else if (k == "SIG_VALTYPE_")
            valueType(keyword.line);
        else
            skipStatement(keyword);
    }

    Token expectWord(bool crossLines, const char* what) {
        Token t = sc_.next(crossLines);
        if (t.kind != Token::Word)
            sc_.fail(t.line, std::string("expected ") + what + ", found " + shown(t));
        return t;
    }
    Token expectString(bool crossLines, const char* what) {
        Token t = sc_.next(crossLines);
        if (t.kind != Token::String)
            sc_.fail(t.line, std::string("expected ") + what + " in quotes, found " + shown(t));
        return t;
    }
    void expect(char punct, bool crossLines) {
        const Token t = sc_.next(crossLines);
        if (!t.is(punct))
            sc_.fail(t.line, std::string("expected '") + punct + "', found " + shown(t));
    }
    template <typename T> T number(bool crossLines, const char* what) {
        const Token t = expectWord(crossLines, what);
        T value{};
        if (!parseNumber(t.text, value))
            sc_.fail(t.line, std::string(what) + " '" + t.text + "' is not a valid number");
        return value;
    }
    static std::string shown(const Token& t) {
        if (t.kind == Token::End)
            return "the end of the line";
        return "'" + t.text + "'";
    }
    void endStatement() { expect(';', true); }

    // version = VERSION "text"
    void version() { db_.version = expectString(false, "the version").text; }

    // new_symbols = NS_ : {keyword on a line of its own}
    void newSymbols() {
        expect(':', false);
        sc_.skipLine();
        for (;;) {
            if (sc_.skipBlank(true))
                return;
            const std::string line = sc_.restOfLine();
            if (line.find_first_of(" \t:") != std::string::npos)
                return;
            sc_.skipLine();
        }
    }

    // nodes = BU_ : {name}
    void nodes() {
        expect(':', false);
        for (Token t = sc_.next(false); t.kind != Token::End; t = sc_.next(false)) {
            if (t.kind != Token::Word)
                sc_.fail(t.line, "expected a node name, found " + shown(t));
            db_.nodes.push_back(t.text);
        }
    }

    // message = BO_ id name : length [sender]
    void message(int line) {
        const auto rawId = number<uint32_t>(false, "the message identifier");
        Message m;
        m.extended = (rawId & kExtendedFlag) != 0;
        m.id = rawId & ~kExtendedFlag;
        m.name = expectWord(false, "the message name").text;
        expect(':', false);
        m.length = number<int>(false, "the message length");
        if (m.length < 0 || m.length > kMaxFrameBytes)
            sc_.fail(line, "message length " + std::to_string(m.length) + " is not 0 to 64");
        if (const Token sender = sc_.next(false); sender.kind == Token::Word)
            m.sender = sender.text;
        else if (sender.kind != Token::End)
            sc_.fail(sender.line, "expected the sending node, found " + shown(sender));
        if (rawId == kIndependentSignals) {
            scratch_ = std::move(m);
            current_ = &scratch_;
            return;
        }
        if (m.id > (m.extended ? 0x1FFFFFFFu : 0x7FFu))
            sc_.fail(line, "identifier " + std::to_string(rawId) + " is out of range");
        if (!ids_.insert(idKey(m.id, m.extended)).second)
            sc_.fail(line, "a second message with identifier " + std::to_string(rawId));
        if (!names_.insert(m.name).second)
            sc_.fail(line, "a second message named " + m.name);
        current_ = &db_.add(std::move(m));
    }

    // signal = SG_ name [M | mN] : start | length @ order sign ( factor , offset )
    //          [ min | max ] "unit" [receiver {, receiver}]
    void signal(int line) {
        if (current_ == nullptr)
            sc_.fail(line, "SG_ outside a message");
        Signal s;
        s.name = expectWord(false, "the signal name").text;
        if (const Token t = sc_.next(false); t.kind == Token::Word) {
            multiplexing(s, t);
            expect(':', false);
        } else if (!t.is(':')) {
            sc_.fail(t.line, "expected ':', found " + shown(t));
        }
        s.startBit = number<int>(false, "the start bit");
        expect('|', false);
        s.length = number<int>(false, "the signal length");
        expect('@', false);
        orderAndSign(s);
        expect('(', false);
        s.factor = number<double>(false, "the factor");
        expect(',', false);
        s.offset = number<double>(false, "the offset");
        expect(')', false);
        expect('[', false);
        s.minimum = number<double>(false, "the minimum");
        expect('|', false);
        s.maximum = number<double>(false, "the maximum");
        expect(']', false);
        s.unit = expectString(false, "the unit").text;
        receivers(s);
        checkPlace(s, line);
        if (current_->findSignal(s.name) != nullptr)
            sc_.fail(line, "a second signal named " + s.name + " in " + current_->name);
        if (s.mux == MuxRole::Multiplexor) {
            if (current_->multiplexor >= 0)
                sc_.fail(line, "a second multiplexor in " + current_->name);
            current_->multiplexor = static_cast<int>(current_->signalList.size());
        }
        if (s.mux == MuxRole::Multiplexed && current_ != &scratch_)
            multiplexed_.push_back({db_.messages.size() - 1, s.name, line});
        current_->signalList.push_back(std::move(s));
    }

    void multiplexing(Signal& s, const Token& t) {
        if (t.text == "M") {
            s.mux = MuxRole::Multiplexor;
            return;
        }
        if (t.text.size() >= 2 && t.text[0] == 'm' && t.text.back() == 'M')
            sc_.fail(t.line, "nested multiplexing ('" + t.text + "') is not supported");
        if (t.text.size() < 2 || t.text[0] != 'm' || !parseNumber(t.text.substr(1), s.muxValue) ||
            t.text[1] == '+')
            sc_.fail(t.line, "expected M, mN or ':', found '" + t.text + "'");
        s.mux = MuxRole::Multiplexed;
    }

    void orderAndSign(Signal& s) {
        Token t = expectWord(false, "the byte order");
        std::string text = t.text;
        if (text.size() == 1)
            text += expectWord(false, "the sign").text;
        if (text.size() != 2 || (text[0] != '0' && text[0] != '1') ||
            (text[1] != '+' && text[1] != '-'))
            sc_.fail(t.line, "byte order and sign '" + text + "' are not 0 or 1 and + or -");
        s.order = text[0] == '1' ? ByteOrder::Intel : ByteOrder::Motorola;
        s.isSigned = text[1] == '-';
    }

    void receivers(Signal& s) {
        for (Token t = sc_.next(false); t.kind != Token::End; t = sc_.next(false)) {
            if (t.is(','))
                continue;
            if (t.kind != Token::Word)
                sc_.fail(t.line, "expected a receiving node, found " + shown(t));
            s.receivers.push_back(t.text);
        }
    }

    void checkPlace(Signal& s, int line) {
        if (s.length < 1 || s.length > 64)
            sc_.fail(line, "signal length " + std::to_string(s.length) + " is not 1 to 64");
        if (s.startBit < 0 || s.startBit >= kMaxFrameBytes * 8)
            sc_.fail(line, "start bit " + std::to_string(s.startBit) + " is not 0 to 511");
        s.bytesNeeded = bytesNeeded(s);
        if (s.bytesNeeded > kMaxFrameBytes)
            sc_.fail(line, "signal " + s.name + " reaches past byte 64");
        if (s.mux == MuxRole::Multiplexor && s.isSigned)
            sc_.fail(line, "the multiplexor " + s.name + " is signed");
    }

    // comment = CM_ [BU_ node | BO_ id | SG_ id signal | EV_ name] "text" ;
    void comment() {
        Token t = sc_.next(true);
        if (t.kind == Token::Word) {
            const std::string object = t.text;
            const Token first = expectWord(true, "the object of the comment");
            Signal* target = nullptr;
            Message* message = nullptr;
            if (object == "BO_" || object == "SG_") {
                message = messageOf(first);
                if (object == "SG_")
                    target = signalOf(message, expectWord(true, "the signal name").text);
            }
            t = sc_.next(true);
            if (t.kind == Token::String && target != nullptr)
                target->comment = t.text;
            else if (t.kind == Token::String && object == "BO_" && message != nullptr)
                message->comment = t.text;
        }
        if (t.kind != Token::String)
            sc_.fail(t.line, "expected the comment in quotes, found " + shown(t));
        endStatement();
    }

    // attribute_default = BA_DEF_DEF_ "name" value ;
    void attributeDefault() {
        const std::string name = expectString(true, "the attribute name").text;
        const Token value = sc_.next(true);
        if (name == "GenMsgCycleTime")
            defaultCycle_ = cycleTime(value);
        if (!value.is(';'))
            endStatement();
    }

    // attribute = BA_ "name" [BU_ node | BO_ id | SG_ id signal | EV_ name] value ;
    void attribute(const Token& keyword) {
        const std::string name = expectString(true, "the attribute name").text;
        if (name != "GenMsgCycleTime") {
            skipStatement(keyword);
            return;
        }
        const Token object = expectWord(true, "BO_");
        if (object.text != "BO_")
            sc_.fail(object.line, "GenMsgCycleTime is given to " + object.text + ", not BO_");
        Message* m = messageOf(expectWord(true, "the message identifier"));
        const int cycle = cycleTime(sc_.next(true));
        if (m != nullptr) {
            m->cycleTimeMs = cycle;
            cycleGiven_.insert(idKey(m->id, m->extended));
        }
        endStatement();
    }

    int cycleTime(const Token& t) {
        double value = 0;
        if (t.kind != Token::Word || !parseNumber(t.text, value) || value < 0 || value > 1e9)
            sc_.fail(t.line, "GenMsgCycleTime " + shown(t) + " is no number of milliseconds");
        return static_cast<int>(value);
    }

    // value_table = VAL_ id signal {raw "label"} ;   (VAL_ of environment variables skipped)
    void valueTable(int line) {
        const Token id = expectWord(true, "the message identifier");
        uint32_t rawId = 0;
        if (!parseNumber(id.text, rawId)) {
            skipStatement(Token{Token::Word, "VAL_", line});
            return;
        }
        Signal* s = requiredSignal(id, expectWord(true, "the signal name"));
        for (Token t = sc_.next(true); !t.is(';'); t = sc_.next(true)) {
            int64_t raw = 0;
            if (t.kind != Token::Word || !parseNumber(t.text, raw))
                sc_.fail(t.line, "expected a raw value or ';', found " + shown(t));
            s->labels[raw] = expectString(true, "the label").text;
        }
    }

    // value_type = SIG_VALTYPE_ id signal [:] (0 | 1 | 2) ;
    void valueType(int line) {
        const Token id = expectWord(true, "the message identifier");
        Signal* s = requiredSignal(id, expectWord(true, "the signal name"));
        Token t = sc_.next(true);
        if (t.is(':'))
            t = sc_.next(true);
        int code = -1;
        if (t.kind != Token::Word || !parseNumber(t.text, code) || code < 0 || code > 2)
            sc_.fail(t.line, "value type " + shown(t) + " is not 0, 1 or 2");
        s->type = code == 1 ? ValueType::Float : code == 2 ? ValueType::Double : ValueType::Integer;
        const int bits = code == 1 ? 32 : 64;
        if (code != 0 && s->length != bits)
            sc_.fail(line, s->name + " is " + std::to_string(s->length) + " bits long, not " +
                               std::to_string(bits) + " as its value type needs");
        if (code != 0 && s->mux == MuxRole::Multiplexor)
            sc_.fail(line, "the multiplexor " + s->name + " cannot be a floating-point value");
        endStatement();
    }

    void skipStatement(const Token& keyword) {
        for (Token t = sc_.next(true); !t.is(';'); t = sc_.next(true))
            if (t.kind == Token::End)
                sc_.fail(keyword.line, "'" + keyword.text + "' is not ended by ';'");
    }

    Message* messageOf(const Token& id) {
        uint32_t rawId = 0;
        if (!parseNumber(id.text, rawId))
            sc_.fail(id.line, "message identifier '" + id.text + "' is not a valid number");
        const Message* m = db_.find(rawId & ~kExtendedFlag, (rawId & kExtendedFlag) != 0);
        return const_cast<Message*>(m);
    }
    static Signal* signalOf(Message* m, const std::string& name) {
        return m == nullptr ? nullptr : const_cast<Signal*>(m->findSignal(name));
    }
    Signal* requiredSignal(const Token& id, const Token& name) {
        Message* m = messageOf(id);
        if (m == nullptr)
            sc_.fail(id.line, "no message has identifier " + id.text);
        Signal* s = signalOf(m, name.text);
        if (s == nullptr)
            sc_.fail(name.line, "message " + m->name + " has no signal " + name.text);
        return s;
    }

    void finish() {
        for (const SignalPlace& p : multiplexed_)
            if (const Message& m = db_.messages[p.message]; m.multiplexor < 0)
                sc_.fail(p.line, "signal " + p.signal + " is multiplexed, but " + m.name +
                                     " has no multiplexor (M)");
        for (Message& m : db_.messages)
            if (!cycleGiven_.contains(idKey(m.id, m.extended)))
                m.cycleTimeMs = defaultCycle_;
    }

    Scanner sc_;
    Database db_;
    Message scratch_;
    Message* current_ = nullptr;
    std::set<uint64_t> ids_;
    std::set<uint64_t> cycleGiven_;
    std::set<std::string> names_;
    std::vector<SignalPlace> multiplexed_;
    int defaultCycle_ = 0;
};

} // namespace

const Message* Database::find(uint32_t id, bool extended) const {
    const auto it = byId_.find(idKey(id, extended));
    return it == byId_.end() ? nullptr : &messages[it->second];
}

const Message* Database::findByName(const std::string& name) const {
    for (const Message& m : messages)
        if (m.name == name)
            return &m;
    return nullptr;
}

Message& Database::add(Message message) {
    byId_[idKey(message.id, message.extended)] = messages.size();
    messages.push_back(std::move(message));
    return messages.back();
}

Database parseDbc(const std::string& text, const std::string& file) {
    return Parser(text, file).run();
}

} // namespace dbc
