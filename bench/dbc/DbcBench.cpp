// Decoding throughput of the DBC decoder: a database of 200 messages with 8
// signals each (both byte orders, signed and unsigned, scaled, one float a
// message, every tenth message multiplexed) decodes frames of every message
// in turn, each frame to all the signals it carries, with their labels. The
// rate is compared with the most frames a 1 Mbit/s bus carries (8-byte data
// frames with 11-bit identifiers, 111 bits without stuff bits: 9 009 per
// second).
//
// dbc_bench [frames] (default 20 000 000)

#include "DbcDecode.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <vector>

namespace {

constexpr double kBusMaximum = 9009; // frames per second at 1 Mbit/s
constexpr int kMessages = 200;
constexpr int kSignals = 8;

// Eight signals of 8 bits per message; the layout changes from message to message.
std::string DatabaseText() {
    std::ostringstream out;
    out << "VERSION \"\"\n\nBU_: ECU\n";
    for (int m = 0; m < kMessages; ++m) {
        const bool muxed = m % 10 == 0;
        out << "\nBO_ " << 0x100 + m << " Message" << m << ": 8 ECU\n";
        for (int s = 0; s < kSignals; ++s) {
            const bool intel = (m + s) % 2 == 0;
            const int start = intel ? s * 8 : s * 8 + 7; // Motorola counts from the top bit
            const char* mux = !muxed ? "" : s == 0 ? " M" : s < 4 ? " m1" : " m2";
            if (s == kSignals - 1 && !muxed)
                out << " SG_ Float" << m << " : 32|32@1- (1,0) [0|0] \"\" ECU\n";
            else if (s < kSignals - 1 || muxed)
                out << " SG_ S" << m << "_" << s << mux << " : " << start << "|8@"
                    << (intel ? 1 : 0) << ((m + s) % 3 == 0 && !(muxed && s == 0) ? '-' : '+')
                    << " (0.5," << s << ") [0|0] \"u\" ECU\n";
        }
        if (!muxed)
            out << "SIG_VALTYPE_ " << 0x100 + m << " Float" << m << " : 1;\n";
        out << "VAL_ " << 0x100 + m << " S" << m << "_1 0 \"off\" 1 \"on\" ;\n";
    }
    return out.str();
}

} // namespace

int main(int argc, char* argv[]) {
    const long frames = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20'000'000;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: dbc_bench [frames]\n");
        return 64;
    }
    const auto loadStart = std::chrono::steady_clock::now();
    const dbc::Database db = dbc::parseDbc(DatabaseText(), "bench.dbc");
    const double loadMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loadStart)
            .count();

    // 4096 frames of random data, identifiers round-robin over the messages.
    std::mt19937 random(1);
    std::vector<std::pair<uint32_t, std::array<uint8_t, 8>>> data(4096);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i].first = 0x100 + static_cast<uint32_t>(i % kMessages);
        for (uint8_t& b : data[i].second)
            b = static_cast<uint8_t>(random());
    }
    std::vector<dbc::DecodedValue> values;
    values.reserve(kSignals);
    double checksum = 0;
    size_t decoded = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long n = 0; n < frames; ++n) {
        const auto& [id, bytes] = data[static_cast<size_t>(n) % data.size()];
        const dbc::Message* m = db.find(id, false);
        dbc::decodeFrame(*m, bytes.data(), bytes.size(), values);
        decoded += values.size();
        checksum += values.front().physical;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = static_cast<double>(frames) / seconds;
    std::printf("database: %d messages x %d signals, read in %.1f ms\n", kMessages, kSignals,
                loadMs);
    std::printf("decoded %ld frames (%zu signal values) in %.3f s: %.0f frames/s, %.0f x the "
                "1 Mbit/s bus maximum (%.0f frames/s)  [checksum %g]\n",
                frames, decoded, seconds, rate, rate / kBusMaximum, kBusMaximum, checksum);
    return 0;
}
