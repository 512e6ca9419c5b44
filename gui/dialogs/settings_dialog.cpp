#include "gui/dialogs/settings_dialog.h"

#include <QFileDialog>
#include <QUrl>

#include <optional>
#include <string>
#include <vector>

#include "core/base/catalogue.h"
#include "core/base/messages.h"
#include "core/base/paths.h"
#include "core/settings/pattern_rules.h"
#include "gui/base/qt_text.h"

namespace tunvex {
namespace {

// A mode field and its radio buttons in value order.
struct RadioField {
    SettingsField<int> field;
    std::vector<int> ids;
};

const RadioField kRadioFields[] = {
    {&Settings::CopyMode, {kIdcCopy, kIdcMove}},
    {&Settings::FolderNamingMode,
     {kIdcFolderBase, kIdcFolderArtist, kIdcFolderArtistAlbum, kIdcFolderUser}},
    {&Settings::FileNamingMode,
     {kIdcFileOwnName, kIdcFileTitle, kIdcFileArtistTitle, kIdcFileTrackTitle, kIdcFileUser}},
    {&Settings::TagMode, {kIdcTagId3v1, kIdcTagId3v2}},
    {&Settings::CollisionMode, {kIdcCollisionAsk, kIdcCollisionRename}},
};

// The folder browser starts at the folder the edit names, if any.
QUrl BrowseStart(const QString& editText) {
    return editText.isEmpty() ? QUrl() : QUrl::fromLocalFile(editText);
}

}  // namespace

CSettingsDlg::CSettingsDlg(Settings& settings, QWidget* parent, CodePage codePage)
    : TemplateDialog(SettingsDialogTemplate(), parent), settings_(settings), codePage_(codePage) {
    connect(Button(kIdcBrowse), &QAbstractButton::clicked, this, &CSettingsDlg::OnBrowse);
    for (int id : {kIdcFolderBase, kIdcFolderArtist, kIdcFolderArtistAlbum})
        connect(Button(id), &QAbstractButton::clicked, this, &CSettingsDlg::OnFolderModeFixed);
    connect(Button(kIdcFolderUser), &QAbstractButton::clicked, this,
            &CSettingsDlg::OnFolderModeUser);
    for (int id : {kIdcFileOwnName, kIdcFileTitle, kIdcFileArtistTitle, kIdcFileTrackTitle})
        connect(Button(id), &QAbstractButton::clicked, this, &CSettingsDlg::OnFileModeFixed);
    connect(Button(kIdcFileUser), &QAbstractButton::clicked, this, &CSettingsDlg::OnFileModeUser);
    OnInitDialog();
}

// A mode outside its range checks no button and leaves the group's pattern edit enabled.
void CSettingsDlg::OnInitDialog() {
    Edit(kIdcBaseFolder)->setText(ToQString(codePage_, settings_.BaseFolderPath));
    Edit(kIdcFolderPattern)->setText(ToQString(codePage_, settings_.FolderNamingFormat));
    Edit(kIdcFilePattern)->setText(ToQString(codePage_, settings_.FileNamingFormat));
    for (const RadioField& radio : kRadioFields) {
        int value = settings_.*radio.field;
        if (value >= 0 && value < static_cast<int>(radio.ids.size()))
            Check(radio.ids[static_cast<std::size_t>(value)]);
    }
    int folderMode = settings_.FolderNamingMode;
    int fileMode = settings_.FileNamingMode;
    Edit(kIdcFolderPattern)->setEnabled(folderMode < 0 || folderMode > 2);
    Edit(kIdcFilePattern)->setEnabled(fileMode < 0 || fileMode > 3);
}

void CSettingsDlg::OnBrowse() {
    QString current = Edit(kIdcBaseFolder)->text();
    QUrl chosen = QFileDialog::getExistingDirectoryUrl(
        this, QStringLiteral("コピー先フォルダを選択"), BrowseStart(current),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog, {QStringLiteral("file")});
    if (chosen.isEmpty())
        return;
    std::optional<std::string> path;
    if (chosen.isLocalFile())
        path = FromQString(codePage_, chosen.toLocalFile());
    if (!path || !IsDirectory(*path)) {
        ShowMessage(kMsgIdListNotConverted);
        return;
    }
    Edit(kIdcBaseFolder)->setText(ToQString(codePage_, *path));
}

// The edit's text in the code page; the record's own bytes while the text is still what they were
// shown as, so that a name the code page cannot show (a Latin-1 folder name in a UTF-8 locale)
// is kept as it is instead of being stored as replacement characters.
std::optional<std::string> CSettingsDlg::EditText(int id, const std::string& shown) const {
    QString text = Edit(id)->text();
    if (text == ToQString(codePage_, shown))
        return shown;
    return FromQString(codePage_, text);
}

// The checks run in order and only the first failure is shown; the dialog then stays open with
// the edits as typed and the record unchanged. Text the code page cannot hold fails its check.
void CSettingsDlg::OnOK() {
    std::optional<std::string> base = EditText(kIdcBaseFolder, settings_.BaseFolderPath);
    // A folder name may hold one; the INI file cannot.
    if (base && HasLineBreak(*base)) {
        ShowMessage(kMsgLineBreakInBaseFolder);
        return;
    }
    std::string baseFolder = base ? CanonicalizePath(codePage_, *base) : std::string();
    // A relative folder would depend on where the program was started from.
    if (!baseFolder.starts_with(kPathSeparator) || !IsDirectory(baseFolder)) {
        ShowMessage(kMsgNotAFolder);
        return;
    }
    std::optional<std::string> folderPattern =
        EditText(kIdcFolderPattern, settings_.FolderNamingFormat);
    if (folderPattern)
        TrimWhiteSpace(codePage_, *folderPattern);
    // Stored whatever the mode, so checked whatever the mode.
    if (folderPattern && HasLineBreak(*folderPattern)) {
        ShowMessage(kMsgLineBreakInFolderPattern);
        return;
    }
    if (!folderPattern ||
        (IsChecked(kIdcFolderUser) && !IsValidFolderPattern(codePage_, *folderPattern))) {
        ShowMessage(kMsgBadFolderPattern);
        return;
    }
    std::optional<std::string> filePattern = EditText(kIdcFilePattern, settings_.FileNamingFormat);
    if (filePattern)
        TrimWhiteSpace(codePage_, *filePattern);
    if (filePattern && HasLineBreak(*filePattern)) {
        ShowMessage(kMsgLineBreakInFilePattern);
        return;
    }
    if (!filePattern || (IsChecked(kIdcFileUser) && !IsValidFilePattern(codePage_, *filePattern))) {
        ShowMessage(kMsgBadFilePattern);
        return;
    }
    settings_.BaseFolderPath = baseFolder;
    settings_.FolderNamingFormat = *folderPattern;
    settings_.FileNamingFormat = *filePattern;
    // A group with no checked button stores its last value.
    for (const RadioField& radio : kRadioFields) {
        int value = 0;
        while (value + 1 < static_cast<int>(radio.ids.size()) &&
               !IsChecked(radio.ids[static_cast<std::size_t>(value)]))
            ++value;
        settings_.*radio.field = value;
    }
    QDialog::accept();
}

}  // namespace tunvex
