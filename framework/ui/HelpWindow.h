#pragma once
// The help window: shows the pages of a .chm help file (read with chmlib) and follows the links
// inside it. It is the program's HtmlHelpViewer (HtmlHelp.h); install it once at start-up:
//
//   installQtHtmlHelpViewer();   // then LoadHtmlHelp() finds help, ShowHtmlHelp... open pages
//
// One window serves every help file, as the system's help viewer did; closing it deletes it, and
// the next help call opens a new one.

#include "ChmFile.h"
#include "HtmlHelp.h"

#include <QTextBrowser>
#include <QWidget>

#include <memory>
#include <string>

class QPushButton;

// The page view: resources come from the open .chm file.
class ChmTextBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit ChmTextBrowser(QWidget* parent = nullptr);
    // The file whose pages are shown (not owned; may be null).
    void setHelpFile(const ChmFile* file) { file_ = file; }
    QVariant loadResource(int type, const QUrl& name) override;

    // The URL of a page of the help file: "chm:/sub/page.htm".
    static QUrl pageUrl(const std::string& page);

protected:
    // Web and mail links go to the desktop's programs; help pages stay here.
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    const ChmFile* file_ = nullptr;
};

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Opens "file.chm::/page.htm" (a bare file opens its default page); false when the file
    // cannot be read as a help file. A page the file lacks shows a short notice.
    bool openLocation(const std::string& location);

    // The open help file and page ("/1203.htm"); empty before the first page.
    std::string currentFile() const;
    std::string currentPage() const;
    ChmTextBrowser* browser() const { return browser_; }

private:
    void showPage(const std::string& page);

    ChmTextBrowser* browser_;
    QPushButton* btnBack_;
    QPushButton* btnForward_;
    std::unique_ptr<ChmFile> file_;
};

// Installs the help window as the program's help viewer (replacing any viewer installed).
void installQtHtmlHelpViewer();
// The help window once a page was opened through the viewer; null before.
HelpWindow* helpWindow();
