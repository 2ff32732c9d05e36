#pragma once
// Tool tips ("bubble help") for the whole application on or off at once, as the settings ask:
// while off, an application-wide filter drops every tool-tip request.

// Switches the tool tips of every window; takes effect for the next tip. Needs a QApplication.
void setApplicationToolTipsEnabled(bool enabled);
bool applicationToolTipsEnabled();
