#pragma once
// How the state of the CAN port shows in a window: the CAN bus status lamp and
// the "Search CAN devices again!" warning. The run control and the trend
// receive thread report through it; the windows paint it (the lamp colours
// are StatusLamp's). UI thread only.

#include <QString>
#include <cstdint>

enum class LampColour { Blue, Green, Red };

class PortStatusView {
public:
    virtual ~PortStatusView() = default;

    virtual void setStatusLamp(LampColour colour) = 0;
    // The warning: shown with `text`, or with the text it last had when `text` is empty.
    virtual void showSearchAgain(const QString& text) = 0;
    virtual void hideSearchAgain() = 0;
};

// The port status `status` as the driver reports it: 0 turns the lamp green
// and hides the warning; anything else turns it red and shows SearchAgainText(status).
void ShowPortStatus(PortStatusView& view, uint32_t status);
