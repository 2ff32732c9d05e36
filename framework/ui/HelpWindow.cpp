#include "HelpWindow.h"

#include "TextCodec.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const QString kScheme = QStringLiteral("chm");

// A page's bytes as text: the character set its markup names, else UTF-8 when the bytes are
// valid UTF-8, else Windows-1252 (the usual code page of help files).
QString decodePage(const QByteArray& bytes) {
    if (std::optional<QStringConverter::Encoding> named = QStringConverter::encodingForHtml(bytes)) {
        // encodingForHtml answers UTF-8 also when the page names nothing; only a named set counts.
        if (*named != QStringConverter::Utf8 || bytes.contains("charset")) {
            QStringDecoder decoder(*named);
            return decoder.decode(bytes);
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return fromAnsi(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QString missingPageNotice(const QString& page) {
    return QStringLiteral("<html><body><h3>Page not found</h3><p>The help file has no page %1.</p>"
                          "</body></html>")
        .arg(page.toHtmlEscaped());
}

}  // namespace

// --- ChmTextBrowser ---------------------------------------------------------------------------

ChmTextBrowser::ChmTextBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(true);
    setOpenExternalLinks(false);
}

QUrl ChmTextBrowser::pageUrl(const std::string& page) {
    QUrl url;
    url.setScheme(kScheme);
    const std::size_t hash = page.find('#');
    std::string path = page.substr(0, hash);
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    url.setPath(QString::fromStdString(path));
    if (hash != std::string::npos) url.setFragment(QString::fromStdString(page.substr(hash + 1)));
    return url;
}

void ChmTextBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
    const QUrl resolved = name.isRelative() ? source().resolved(name) : name;
    const QString scheme = resolved.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("mailto")) {
        QDesktopServices::openUrl(resolved);
        return;
    }
    // Kept resolved, so the next relative link starts from this page's folder.
    QTextBrowser::doSetSource(resolved, type);
}

QVariant ChmTextBrowser::loadResource(int type, const QUrl& name) {
    const QUrl resolved = name.isRelative() ? source().resolved(name) : name;
    if (resolved.scheme() != kScheme || !file_) return QTextBrowser::loadResource(type, name);
    const QString path = resolved.path();
    const std::optional<std::string> bytes = file_->read(path.toStdString());
    if (type == QTextDocument::HtmlResource) {
        if (!bytes) return missingPageNotice(path);
        return decodePage(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())));
    }
    if (!bytes) return {};
    const QByteArray data(bytes->data(), static_cast<qsizetype>(bytes->size()));
    if (type == QTextDocument::ImageResource) {
        QImage image;
        if (image.loadFromData(data)) return image;
        return {};
    }
    return data;
}

// --- HelpWindow -------------------------------------------------------------------------------

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent),
      browser_(new ChmTextBrowser(this)),
      btnBack_(new QPushButton(QStringLiteral("&Back"), this)),
      btnForward_(new QPushButton(QStringLiteral("&Forward"), this)) {
    setWindowTitle(QStringLiteral("Help"));
    resize(760, 560);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    btnBack_->setObjectName(QStringLiteral("btnBack"));
    btnForward_->setObjectName(QStringLiteral("btnForward"));
    btnBack_->setEnabled(false);
    btnForward_->setEnabled(false);
    connect(btnBack_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(btnForward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, btnBack_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, btnForward_, &QPushButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnBack_);
    buttons->addWidget(btnForward_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);
}

HelpWindow::~HelpWindow() {
    // The browser must not read from a closed file while it is torn down.
    browser_->setHelpFile(nullptr);
}

bool HelpWindow::openLocation(const std::string& location) {
    const std::optional<HelpLocation> split = splitHelpLocation(location);
    if (!split) return false;
    const bool otherFile = !file_ || file_->path() != std::filesystem::path(split->file);
    if (otherFile) {
        std::unique_ptr<ChmFile> file = ChmFile::open(split->file);
        if (!file) return false;
        browser_->setHelpFile(file.get());
        file_ = std::move(file);
        setWindowTitle(QStringLiteral("Help - %1")
                           .arg(QString::fromStdString(std::filesystem::path(split->file).filename().string())));
    }
    showPage(split->page.empty() || split->page == "/" ? file_->defaultPage() : split->page);
    // Back and Forward stay inside one file: the history names pages, not files, so a page of
    // the file before would be looked up in this one. Cleared now, only the page just shown stays.
    if (otherFile) browser_->clearHistory();
    return true;
}

void HelpWindow::showPage(const std::string& page) {
    // A file without any page still opens: the browser shows the notice for the empty name.
    browser_->setSource(ChmTextBrowser::pageUrl(page.empty() ? std::string("/") : page),
                        QTextDocument::HtmlResource);
}

std::string HelpWindow::currentFile() const {
    return file_ ? file_->path().string() : std::string();
}

std::string HelpWindow::currentPage() const {
    return file_ ? browser_->source().path().toStdString() : std::string();
}

// --- the viewer -------------------------------------------------------------------------------

namespace {

QPointer<HelpWindow> theHelpWindow;

class QtHtmlHelpViewer final : public HtmlHelpViewer {
public:
    bool displayTopic(const std::string& location) override {
        if (!theHelpWindow) {
            theHelpWindow = new HelpWindow;
            theHelpWindow->setAttribute(Qt::WA_DeleteOnClose);
        }
        if (!theHelpWindow->openLocation(location)) return false;
        // Help asked for inside a modal dialog must be usable beside it, as a viewer of the
        // desktop's own is: a window the dialog owns is not blocked by it.
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != theHelpWindow) {
            theHelpWindow->winId();
            theHelpWindow->windowHandle()->setTransientParent(modal->windowHandle());
        }
        theHelpWindow->show();
        theHelpWindow->raise();
        theHelpWindow->activateWindow();
        return true;
    }
};

}  // namespace

void installQtHtmlHelpViewer() {
    static QtHtmlHelpViewer viewer;
    installHtmlHelpViewer(&viewer);
}

HelpWindow* helpWindow() {
    return theHelpWindow.data();
}
