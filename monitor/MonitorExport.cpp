#include "MonitorExport.h"

namespace {

constexpr size_t kPieceBytes = 64 * 1024;

void appendLine(std::string& text, const MonitorFrame& frame, const std::string& interfaceName) {
    text += formatCandumpLine(candumpRecord(frame, interfaceName));
    text += '\n';
}

} // namespace

std::string candumpText(std::span<const MonitorFrame> frames, const std::string& interfaceName) {
    std::string text;
    for (const MonitorFrame& frame : frames)
        appendLine(text, frame, interfaceName);
    return text;
}

bool writeCaptureCandump(const CaptureRing& capture, const std::string& interfaceName,
                         const std::function<bool(std::string_view)>& write) {
    std::string piece;
    for (uint64_t seq = capture.begin(); seq < capture.end(); ++seq) {
        appendLine(piece, capture.at(seq), interfaceName);
        if (piece.size() >= kPieceBytes) {
            if (!write(piece))
                return false;
            piece.clear();
        }
    }
    return piece.empty() || write(piece);
}
