#include "HtmlHelp.h"

#include "MessageBox.h"
#include "NData.h"
#include "StringTable.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr int kTextHelpNotAvailable = 11096;
constexpr int kTextHelpFileMissing = 11986;

HtmlHelpViewer* installedViewer = nullptr;
bool helpAvailable = false;

bool helpFileExists(const std::string& helpFile) {
    std::error_code error;
    return !helpFile.empty() && std::filesystem::is_regular_file(helpFile, error);
}

bool display(const std::string& helpFile, const std::string& location) {
    if (!helpAvailable || !installedViewer || !helpFileExists(helpFile)) return false;
    return installedViewer->displayTopic(location);
}

}  // namespace

HtmlHelpViewer* installHtmlHelpViewer(HtmlHelpViewer* viewer) {
    HtmlHelpViewer* previous = installedViewer;
    installedViewer = viewer;
    return previous;
}

bool LoadHtmlHelp() {
    // The .chm reader is linked in; what can be missing is a viewer to show the pages.
    helpAvailable = installedViewer != nullptr;
    return helpAvailable;
}

bool HtmlHelpAvailable() {
    return helpAvailable;
}

bool ShowHtmlHelp(const std::string& helpFile) {
    return display(helpFile, helpFile);
}

bool ShowHtmlHelpTopic(const std::string& helpFile, const std::string& topic) {
    return display(helpFile, helpTopicLocation(helpFile, topic));
}

bool showHelpForUser(const std::string& helpFile, const std::string& topic) {
    if (topic.empty() ? ShowHtmlHelp(helpFile) : ShowHtmlHelpTopic(helpFile, topic)) return true;
    const std::string text = HtmlHelpAvailable()
                                 ? messageWithSystemText(kTextHelpFileMissing, helpFile)
                                 : LoadStr(kTextHelpNotAvailable);
    MsgBox(text, DiagAttr.Anwendungstitel, MB_OK | MB_ICONWARNING);
    return false;
}

std::string helpTopicLocation(std::string_view helpFile, std::string_view topic) {
    std::string location(helpFile);
    location += "::/";
    location += topic;
    location += ".htm";
    return location;
}

std::optional<HelpLocation> splitHelpLocation(std::string_view location) {
    if (location.empty()) return std::nullopt;
    const std::size_t separator = location.find("::");
    if (separator == std::string_view::npos) return HelpLocation{std::string(location), {}};
    return HelpLocation{std::string(location.substr(0, separator)),
                        std::string(location.substr(separator + 2))};
}
