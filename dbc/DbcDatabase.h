#pragma once
// A signal database read from a DBC file: messages by identifier, their
// signals with bit position, byte order, sign, scaling, unit, value table and
// multiplexing, and the message comments and cycle times. Free of Qt (the
// name `signals` is kept out of it: Qt defines it as a macro).

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace dbc {

enum class ByteOrder { Intel, Motorola }; // @1 little-endian, @0 big-endian
enum class ValueType { Integer, Float, Double };
enum class MuxRole { None, Multiplexor, Multiplexed };

struct Signal {
    std::string name;
    int startBit = 0; // as the file writes it: Motorola counts the most significant bit
    int length = 1;   // 1..64
    ByteOrder order = ByteOrder::Intel;
    bool isSigned = false;
    ValueType type = ValueType::Integer;
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    std::string unit;
    std::vector<std::string> receivers;
    MuxRole mux = MuxRole::None;
    uint64_t muxValue = 0;                 // for MuxRole::Multiplexed: the multiplexor's raw value
    std::map<int64_t, std::string> labels; // value table: raw value -> label
    std::string comment;
    int bytesNeeded = 1; // the frame holds the signal when it has this many data bytes
};

struct Message {
    uint32_t id = 0; // without the extended flag
    bool extended = false;
    std::string name;
    int length = 0; // data bytes declared
    std::string sender;
    std::vector<Signal> signalList;
    std::string comment;
    int cycleTimeMs = 0;  // GenMsgCycleTime; 0 when not given
    int multiplexor = -1; // index of the M signal in signalList, -1 without

    const Signal* findSignal(const std::string& signalName) const;
};

class Database {
public:
    std::string version;
    std::vector<std::string> nodes;
    std::vector<Message> messages; // in file order; add() keeps the index

    // The message of that identifier, or nullptr.
    const Message* find(uint32_t id, bool extended) const;
    const Message* findByName(const std::string& name) const;
    // Appends a message whose identifier is not yet in the database.
    Message& add(Message message);

private:
    std::unordered_map<uint64_t, size_t> byId_;
};

// A file that is no DBC file Kestrel can take: what() is "Cannot read FILE:
// line N: REASON", the form of Kestrel's other file readers.
class DbcError : public std::runtime_error {
public:
    DbcError(const std::string& file, int line, const std::string& reason);
    int line() const { return line_; }

private:
    int line_;
};

// The database written in `text` (UTF-8, any line ends). `file` names it in
// errors. Throws DbcError at the first statement it cannot take; sections it
// does not use are skipped.
Database parseDbc(const std::string& text, const std::string& file);

} // namespace dbc
