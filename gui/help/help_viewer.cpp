#include "gui/help/help_viewer.h"

#include <sys/stat.h>

#include <QAction>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStatusBar>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

#include "gui/base/qt_text.h"
#include "gui/help/chm_archive.h"
#include "gui/help/help_sitemap.h"

namespace tunvex {
namespace {

const char kScheme[] = "chm";
const QStringList kDesktopSchemes = {QStringLiteral("http"), QStringLiteral("https"),
                                     QStringLiteral("mailto")};
const QString kViewerTitle = QStringLiteral("tunvex ヘルプ");
constexpr int kPageRole = Qt::UserRole;

// "page.html#anchor" in the archive, as the browser names it: chm:///page.html#anchor
QUrl PageUrl(const std::string& local) {
    return QUrl(QStringLiteral("chm:///") + QString::fromUtf8(local));
}

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

}  // namespace

// Pages, style sheets and pictures come from the archive; an unknown page says so in its place.
class HelpBrowser : public QTextBrowser {
  public:
    explicit HelpBrowser(QWidget* parent) : QTextBrowser(parent) {}
    void SetArchive(const ChmArchive* archive) { archive_ = archive; }

    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = name.isRelative() ? page_.resolved(name) : name;
        if (url.scheme() != kScheme || !archive_)
            return {};
        std::optional<std::string> content = archive_->Read(url.path().toStdString());
        if (type != QTextDocument::HtmlResource) {
            return content ? QVariant(QByteArray::fromStdString(*content)) : QVariant();
        }
        page_ = url;
        if (!content) {
            return QStringLiteral(
                       "<html><head><title>ページが見つかりません</title></head><body>"
                       "<h1>ページが見つかりません</h1><p>このヘルプ ファイルには %1 "
                       "がありません。</p></body></html>")
                .arg(Escaped(url.path()));
        }
        const QByteArray bytes = QByteArray::fromStdString(*content);
        QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
        return decoder.isValid() ? QString(decoder(bytes)) : QString::fromUtf8(bytes);
    }

  private:
    const ChmArchive* archive_ = nullptr;
    QUrl page_;  // relative names of a page's style sheets and pictures resolve against it
};

HelpViewer::HelpViewer() {
    setWindowTitle(kViewerTitle);
    resize(780, 560);

    browser_ = new HelpBrowser(this);
    browser_->setOpenLinks(false);
    // The desktop's opener gets web and mail links only: a file link could start a program.
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == kScheme) {
            browser_->setSource(url);
        } else if (kDesktopSchemes.contains(url.scheme())) {
            QDesktopServices::openUrl(url);
        } else {
            statusBar()->showMessage(
                QStringLiteral("このリンクは開けません: %1").arg(url.toDisplayString()));
        }
    });
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpViewer::PageChanged);
    connect(browser_, &QTextBrowser::sourceChanged, statusBar(), &QStatusBar::clearMessage);

    contents_ = new QTreeWidget;
    contents_->setHeaderHidden(true);
    contents_->setAccessibleName(QStringLiteral("目次"));
    connect(contents_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QUrl page = item->data(0, kPageRole).toUrl();
        if (page.isValid())
            browser_->setSource(page);
    });
    connect(contents_, &QTreeWidget::itemClicked, contents_, &QTreeWidget::itemActivated);

    keyword_ = new QLineEdit;
    keyword_->setPlaceholderText(QStringLiteral("キーワードを入力"));
    keyword_->setAccessibleName(QStringLiteral("キーワード"));
    index_ = new QListWidget;
    index_->setAccessibleName(QStringLiteral("索引"));
    connect(keyword_, &QLineEdit::textEdited, this, [this](const QString& text) {
        for (int row = 0; row < index_->count(); ++row) {
            if (index_->item(row)->text().startsWith(text, Qt::CaseInsensitive)) {
                index_->setCurrentRow(row);
                return;
            }
        }
    });
    connect(keyword_, &QLineEdit::returnPressed, this, &HelpViewer::OpenIndexEntry);
    connect(index_, &QListWidget::itemActivated, this, &HelpViewer::OpenIndexEntry);
    auto* indexPage = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    indexLayout->addWidget(keyword_);
    indexLayout->addWidget(index_);

    auto* tabs = new QTabWidget;
    tabs->addTab(contents_, QStringLiteral("目次"));
    tabs->addTab(indexPage, QStringLiteral("キーワード"));
    auto* splitter = new QSplitter;
    splitter->addWidget(tabs);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 550});
    setCentralWidget(splitter);

    QToolBar* toolBar = addToolBar(QStringLiteral("移動"));
    toolBar->setMovable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* back = toolBar->addAction(QStringLiteral("戻る"), browser_, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    QAction* forward = toolBar->addAction(QStringLiteral("進む"), browser_, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    toolBar->addAction(QStringLiteral("ホーム"), this, &HelpViewer::ShowDefaultTopic);
}

HelpViewer::~HelpViewer() = default;

void HelpViewer::OpenFile(const std::string& path) {
    browser_->SetArchive(nullptr);
    archive_ = ChmArchive::Open(path);
    browser_->SetArchive(archive_.get());
    browser_->clearHistory();
    FillContents();
    FillIndex();
    const QString shownPath = ToQString(SystemCodePage(), path);
    if (!archive_) {
        struct stat info;
        const bool exists = stat(path.c_str(), &info) == 0;
        ShowProblem(
            QStringLiteral("ヘルプを表示できません"),
            exists
                ? QStringLiteral(
                      "ヘルプ ファイル %1 は壊れているか、ヘルプ ファイルではありません。")
                      .arg(Escaped(shownPath))
                : QStringLiteral("ヘルプ ファイル %1 が見つかりません。").arg(Escaped(shownPath)));
        return;
    }
    helpTitle_ =
        archive_->info().title.empty() ? kViewerTitle : QString::fromUtf8(archive_->info().title);
    ShowDefaultTopic();
    contents_->setFocus();
}

void HelpViewer::ShowDefaultTopic() {
    if (!archive_)
        return;
    if (archive_->info().defaultTopic.empty()) {
        ShowProblem(QStringLiteral("ヘルプを表示できません"),
                    QStringLiteral("このヘルプ ファイルには最初に表示するページがありません。"));
        return;
    }
    browser_->setSource(PageUrl(archive_->info().defaultTopic));
}

void HelpViewer::ShowTopic(const std::string& page) {
    if (archive_)
        browser_->setSource(PageUrl(page));
}

void HelpViewer::ShowProblem(const QString& heading, const QString& detail) {
    browser_->setHtml(
        QStringLiteral("<h1>%1</h1><p>%2</p><p>tunvex をインストールし直すと元に戻ります。"
                       "tunvex の振り分けには影響しません。</p>")
            .arg(heading, detail));
    setWindowTitle(heading + " - " + kViewerTitle);
}

void HelpViewer::FillContents() {
    contents_->clear();
    if (!archive_)
        return;
    std::optional<std::string> text = archive_->Read(archive_->info().contentsFile);
    std::function<void(const std::vector<HelpTopic>&, QTreeWidgetItem*)> add =
        [&](const std::vector<HelpTopic>& topics, QTreeWidgetItem* parent) {
            for (const HelpTopic& topic : topics) {
                auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
                item->setText(0, QString::fromUtf8(topic.name));
                if (!topic.local.empty())
                    item->setData(0, kPageRole, PageUrl(topic.local));
                add(topic.children, item);
            }
        };
    if (text)
        add(ParseSitemap(*text), nullptr);
    contents_->expandAll();
}

void HelpViewer::FillIndex() {
    index_->clear();
    keyword_->clear();
    if (!archive_)
        return;
    std::optional<std::string> text = archive_->Read(archive_->info().indexFile);
    for (const HelpTopic& topic : text ? ParseSitemap(*text) : std::vector<HelpTopic>()) {
        auto* item = new QListWidgetItem(QString::fromUtf8(topic.name), index_);
        item->setData(kPageRole, PageUrl(topic.local));
    }
}

void HelpViewer::OpenIndexEntry() {
    if (QListWidgetItem* item = index_->currentItem())
        browser_->setSource(item->data(kPageRole).toUrl());
}

void HelpViewer::PageChanged(const QUrl& page) {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? helpTitle_ : title + " - " + helpTitle_);
    SelectContentsEntry(page);
}

// The entry of the page shown, the one with its anchor first; the others are deselected.
void HelpViewer::SelectContentsEntry(const QUrl& page) {
    QTreeWidgetItem* pageOnly = nullptr;
    for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
        const QUrl entry = (*it)->data(0, kPageRole).toUrl();
        if (entry == page) {
            contents_->setCurrentItem(*it);
            return;
        }
        if (!pageOnly &&
            entry.adjusted(QUrl::RemoveFragment) == page.adjusted(QUrl::RemoveFragment))
            pageOnly = *it;
    }
    if (pageOnly)
        contents_->setCurrentItem(pageOnly);
    else
        contents_->clearSelection();
}

}  // namespace tunvex
