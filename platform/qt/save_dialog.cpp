// The save-file prompt.
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStringList>

#include "platform/common/save_prompt.h"
#include "platform/qt/window_records.h"

namespace {

// Icons and type names from an entry's kind and name alone. The toolkit's
// provider works out types from file contents, which reads every file it is
// shown on the window's thread: a file that blocks when read (/proc/kmsg,
// a FIFO) would freeze the window.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    NameOnlyIconProvider() { setOptions(DontUseCustomDirectoryIcons); }

    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Folder");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
    }
};

// "Label (*.ext)" as the toolkit expects it; a label that already ends in its
// pattern in brackets is taken as it is.
QStringList NameFilters(const SaveFileRequest& request)
{
    QStringList filters;
    for (int i = 0; i < request.filterCount; ++i) {
        const QString label = QString::fromUtf8(request.filters[2 * i]);
        const QString pattern = QString::fromUtf8(request.filters[2 * i + 1]);
        const QString bracketed = QStringLiteral("(") + pattern + QStringLiteral(")");
        filters << (label.endsWith(bracketed) ? label : label + QStringLiteral(" ") + bracketed);
    }
    return filters;
}

} // namespace

SaveFileResult RunSaveFileDialog(SaveFileRequest* request)
{
    if (const auto answer = AnswerWithoutPrompt(request))
        return *answer;
    QWidget* owner = WindowIsLive(request->owner) ? static_cast<QWidget*>(request->owner->frame) : nullptr;
    // The dialog's file lister may still ask for icons while it closes, so the
    // provider outlives it.
    NameOnlyIconProvider icons;
    QFileDialog dialog(owner, QString::fromUtf8(request->title ? request->title : ""));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request->askBeforeReplacing);
    const QStringList filters = NameFilters(*request);
    dialog.setNameFilters(filters);
    if (request->selectedFilter >= 1 && request->selectedFilter <= filters.size())
        dialog.selectNameFilter(filters[request->selectedFilter - 1]);
    if (request->defaultExtension)
        dialog.setDefaultSuffix(QString::fromUtf8(request->defaultExtension));
    const bool confirmed = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    ReturnKeyboardFocus(request->owner);
    if (!confirmed)
        return SaveFileCancelled;
    const QByteArray path = QFile::encodeName(dialog.selectedFiles().first());
    return StoreChosenPath(request, path.constData());
}
