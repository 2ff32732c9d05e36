#pragma once
// What the diagnosis session asks of the main window. TfrmMain implements it with its controls;
// tests record the calls. The session owns the texts (DisplayTexts) and the decisions; the view
// only shows what it is told.

#include "MenuCommands.h"

#include <cstdint>
#include <string>

// The texts the main window shows beside the ECU's identification (which KELTInterface holds).
struct DisplayTexts {
    std::string CurrentFaultText = "---";
    uint8_t CurrentFaultShown = 0;  // 1 while a current fault is shown (bold red)
    std::string ConfigurationText = "---";
    std::string SpeedText = "---";
    std::string Terminal15VoltageText = "---";
    std::string RelayValveVoltageText = "---";
    std::string EcuSerialNumber = "---";
};

class SessionView {
public:
    virtual ~SessionView() = default;
    // Status-bar panel 0 ("" clears it), painted at once: the start blocks the event loop.
    virtual void setProgressText(const std::string& text) = 0;
    // Copies the identification texts and the DisplayTexts into the window (ShowValues).
    virtual void ShowValues() = 0;
    // Enables and disables menu items and tool buttons (UpdateMenus).
    virtual void applyMenuState(const MenuState& state) = 0;
    // MainTimer on or off.
    virtual void setPollTimer(bool enabled) = 0;
    // The connection picture in the status bar changed.
    virtual void repaintStatusBar() = 0;
    // Paints the window now (after a retry dialog closed over it).
    virtual void repaint() = 0;
};
