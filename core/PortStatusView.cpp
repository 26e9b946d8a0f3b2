#include "PortStatusView.h"

#include "Phrases.h"

void ShowPortStatus(PortStatusView& view, uint32_t status) {
    if (status == 0) {
        view.setStatusLamp(LampColour::Green);
        view.hideSearchAgain();
        return;
    }
    view.setStatusLamp(LampColour::Red);
    view.showSearchAgain(SearchAgainText(status));
}
