// The help viewer window: the contents and keyword index of one help file beside its pages.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tunvex {

class ChmArchive;
class HelpBrowser;

class HelpViewer : public QMainWindow {
  public:
    HelpViewer();
    ~HelpViewer() override;

    // Opens the help file at path (bytes as the file system takes them) at its default topic.
    // A missing or damaged file is said in the page area; the window stays usable.
    void OpenFile(const std::string& path);
    void ShowDefaultTopic();
    // A page of the file by its name in the archive ("advanced.html").
    void ShowTopic(const std::string& page);

  private:
    void ShowProblem(const QString& heading, const QString& detail);
    void FillContents();
    void FillIndex();
    void SelectContentsEntry(const QUrl& page);
    void OpenIndexEntry();
    void PageChanged(const QUrl& page);

    std::unique_ptr<ChmArchive> archive_;
    QString helpTitle_;
    HelpBrowser* browser_;
    QTreeWidget* contents_;
    QLineEdit* keyword_;
    QListWidget* index_;
};

}  // namespace tunvex
