#include "MonitorExport.h"

namespace {

constexpr size_t kPieceBytes = 64 * 1024;

void appendLines(std::string& text, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
}

} // namespace

std::string candumpText(std::span<const MonitorFrame> frames, const std::string& interfaceName) {
    std::string text;
    for (const MonitorFrame& frame : frames)
        appendLines(text, {formatCandumpLine(candumpRecord(frame, interfaceName))});
    return text;
}

bool writeCapture(const CaptureRing& capture, const std::string& interfaceName,
                  TraceLineFormat& format, const std::function<bool(std::string_view)>& write) {
    std::string piece;
    std::vector<std::string> lines;
    for (uint64_t seq = capture.begin(); seq < capture.end(); ++seq) {
        lines.clear();
        format.frameLines(candumpRecord(capture.at(seq), interfaceName), lines);
        appendLines(piece, lines);
        if (piece.size() >= kPieceBytes) {
            if (!write(piece))
                return false;
            piece.clear();
        }
    }
    lines.clear();
    format.closingLines(lines);
    appendLines(piece, lines);
    return piece.empty() || write(piece);
}
