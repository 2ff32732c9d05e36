#pragma once
// HTML help: the program's help files are .chm files beside the program. A page is named by the
// help file, "::/" and the page inside it ("Tarvik.chm::/1203.htm"). The window layer supplies
// the viewer (the help window) and installs it at start-up; LoadHtmlHelp then finds help
// available. The help functions show no message themselves: the callers decide what to show,
// most of them through showHelpForUser.

#include <optional>
#include <string>
#include <string_view>

// The viewer of help pages.
class HtmlHelpViewer {
public:
    virtual ~HtmlHelpViewer() = default;
    // Opens the page ("file.chm::/page.htm", or a bare "file.chm" for its default page), brings
    // the viewer to the top and returns true; false when no window could be opened.
    virtual bool displayTopic(const std::string& location) = 0;
};

// Installs the viewer; returns the one installed before (may be null).
HtmlHelpViewer* installHtmlHelpViewer(HtmlHelpViewer* viewer);

// Marks help available when a viewer is installed (and the .chm reader is there); returns that.
// Called once at start.
bool LoadHtmlHelp();
// Whether the last LoadHtmlHelp found help.
bool HtmlHelpAvailable();
// Opens a help file at its default page. False when help is not available or the file does not
// exist (no message).
bool ShowHtmlHelp(const std::string& helpFile);
// Opens helpFile + "::/" + topic + ".htm". False as ShowHtmlHelp.
bool ShowHtmlHelpTopic(const std::string& helpFile, const std::string& topic);

// For a command of the user (F1, a Help menu item, a help button): opens the help file, at the
// topic when one is given, or tells the user why not, under the program's title: text 11096 when
// there is no help viewer, 11986 naming the file when it is missing or no help file. True when
// the help opened.
bool showHelpForUser(const std::string& helpFile, const std::string& topic = {});

// helpFile + "::/" + topic + ".htm".
std::string helpTopicLocation(std::string_view helpFile, std::string_view topic);

// A location split into its help file and the page inside it ("/1203.htm"; empty for a bare
// file name). Nothing for an empty location.
struct HelpLocation {
    std::string file;
    std::string page;
};
std::optional<HelpLocation> splitHelpLocation(std::string_view location);
