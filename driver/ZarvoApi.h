#pragma once
// The CAN port driver's operations, message record and callbacks, and the
// binding through which the rest of Kestrel calls them.
//
// A binding is a table of the operations. Nothing looks a driver up: the
// program's entry points hand Kestrel's own driver (builtinZarvoBinding()) to
// the windows, commands and threads they create, which keep the binding they
// were given and pass it on; tests hand in a recording fake instead.
//
// All operations return 0 on success and a non-zero status on a bad call
// (unknown port, group beyond the group count, null pointer, port not open);
// a bad call never sends anything.

#include <cstdint>
#include <memory>

class TraceSink;

inline constexpr int kZarvoDriverInfoSize = 600;
inline constexpr int kZarvoMaxPorts = 50; // port table arrays hold this many entries
inline constexpr int kZarvoTextSize = 30; // name and version texts of the port table
inline constexpr int kZarvoModuleAreaSize = 1000;

#pragma pack(push, 1)
// One CAN message as handed to the driver: 30 bytes.
struct type_ZarvoMsg {
    uint8_t Reserved0[8]; // 0
    uint8_t Mode;         // 0 = 11-bit, 1 = 29-bit identifier
    uint8_t ID[4];        // identifier, least significant byte first
    uint8_t RTR;          // 1 = remote frame
    uint8_t Len;          // data length 0..8
    uint8_t Data[8];
    uint8_t Reserved1[7]; // 0
};
#pragma pack(pop)
static_assert(sizeof(type_ZarvoMsg) == 30, "the message record is 30 bytes");

// Start (state 0) and end (state 1) of each message of a group, in message order.
using ZarvoTxCallback = void (*)(uint32_t port, uint8_t group, uint8_t* state);
// A received frame whose identifier is the group's current response identifier.
using ZarvoRxCallback = void (*)(uint32_t port, uint8_t group, uint32_t id, uint8_t mode,
                                 uint8_t rtr, uint8_t len, uint8_t* data);

// The receive threads' frame buffer.
struct ZarvoFrameBuffer {
    uint32_t id;
    uint8_t mode;
    uint8_t rtr;
    uint8_t len;
    uint8_t data[8];
    uint64_t timeStamp;
};

struct ZarvoBinding {
    int32_t (*Zarvo_GetDriverInfo)(char* info);
    int32_t (*Zarvo_StartSearch)();
    int32_t (*Zarvo_GetSearchProgress)(uint8_t* percent);
    // Each array may be null; non-null arrays hold kZarvoMaxPorts entries
    // (names and versions: kZarvoMaxPorts texts of kZarvoTextSize bytes).
    int32_t (*Zarvo_GetPortTable)(uint8_t* count, uint32_t* typeCodes, uint32_t* moduleNumbers,
                                  uint8_t* moduleArea, char* names, char* versions,
                                  uint8_t* moduleCanPorts);
    int32_t (*Zarvo_OpenPort)(uint8_t port, uint32_t bitRate);
    int32_t (*Zarvo_ClosePort)(uint8_t port);
    int32_t (*Zarvo_ReadFrame)(uint8_t port, uint32_t* id, uint8_t* mode, uint8_t* rtr,
                               uint8_t* len, uint8_t* data, uint64_t* timeStamp);
    int32_t (*Zarvo_GetRxCount)(uint8_t port, uint16_t* count);
    int32_t (*Zarvo_GetPortStatus)(uint8_t port, uint32_t* status, uint32_t* second);
    int32_t (*Zarvo_GetModuleIP)(uint32_t moduleNumber, uint8_t* ip);
    int32_t (*Zarvo_SendGroup)(uint8_t port, uint8_t group, uint8_t n, const type_ZarvoMsg* msgs,
                               const int32_t* intervals, const int32_t* times,
                               const int32_t* terminals);
    int32_t (*Zarvo_StopGroup)(uint8_t port, uint8_t group);
    int32_t (*Zarvo_SetTxCallback)(uint8_t port, uint8_t group, ZarvoTxCallback callback);
    int32_t (*Zarvo_SetGroupCount)(uint8_t port, uint8_t count);
    int32_t (*Zarvo_SetRxCallback)(uint8_t port, uint8_t group, ZarvoRxCallback callback);
    int32_t (*Zarvo_SetResponseID)(uint8_t port, uint8_t group, int32_t id);
    // Kestrel's own addition (ZarvoTrace.h): every frame of `port` goes to
    // `sink` until Zarvo_StopTrace, which returns once the sink has its last
    // line. Another driver answers kZarvoCannotTrace.
    int32_t (*Zarvo_StartTrace)(uint8_t port, std::unique_ptr<TraceSink> sink);
    int32_t (*Zarvo_StopTrace)(uint8_t port);
    // Kestrel's own addition (ZarvoTrace.h), a listener beside the trace (the
    // bus monitor): every frame of `port` goes to `sink` as well until
    // Zarvo_RemoveTap(`tapId`), so that a run's trace and the monitor see the
    // traffic at once. `tapId` is set on success; it is never 0. Another
    // driver answers kZarvoCannotTrace.
    int32_t (*Zarvo_AddTap)(uint8_t port, std::unique_ptr<TraceSink> sink, uint64_t& tapId);
    // The sink is finished when this returns; harmless for an id that is not in use.
    void (*Zarvo_RemoveTap)(uint64_t tapId);
    // Kestrel's own addition (ZarvoReader.h): receive queues of their own.
    // Another driver answers kZarvoNoReaders.
    // A new reader of `port`; its queue takes every frame received from now on.
    int32_t (*Zarvo_OpenReader)(uint8_t port, uint32_t* reader);
    int32_t (*Zarvo_CloseReader)(uint32_t reader);
    // As Zarvo_GetRxCount and Zarvo_ReadFrame of the reader's port, from its own queue.
    int32_t (*Zarvo_GetReaderRxCount)(uint32_t reader, uint16_t* count);
    int32_t (*Zarvo_ReadReaderFrame)(uint32_t reader, ZarvoFrameBuffer& frame);
    // The frames the reader lost because its queue was full.
    int32_t (*Zarvo_GetReaderDropped)(uint32_t reader, uint64_t* dropped);
};

// Kestrel's own driver.
const ZarvoBinding& builtinZarvoBinding();

// Fills `frame` with marker values (identifier 0xAABBCCDD, mode and RTR 0x55,
// length and data bytes 0xAA).
void MarkFrame(ZarvoFrameBuffer& frame);

// Fills `frame` with marker values (identifier 0xAABBCCDD, mode and RTR 0x55,
// length and data bytes 0xAA: they show in a debugger when a read leaves a
// field untouched) and takes one frame of `port` into it through `driver`.
int32_t ReadMarkedFrame(const ZarvoBinding& driver, uint8_t port, ZarvoFrameBuffer& frame);
