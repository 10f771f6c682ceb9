#include "ui/FileDialogs.h"

#include "platform/FileSystem.h"
#include "ui/QtText.h"

#include <QFileDialog>
#include <QWidget>

bool BrowseForFolder(QWidget* owner, const std::string& title, const std::string& root,
                     std::string& folder) {
    if (!DirectoryExists(folder)) folder.clear();
    QString start = !folder.empty() ? ToQ(folder) : DirectoryExists(root) ? ToQ(root) : QString();
    QString chosen = QFileDialog::getExistingDirectory(
        owner, ToQ(title), start, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (chosen.isEmpty()) return false;
    folder = FromQ(QDir::toNativeSeparators(chosen));
    return true;
}

QStringList QtNameFilters(const std::string& filter) {
    QStringList parts = ToQ(filter).split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        // The description may already show its patterns in brackets; Qt
        // reads the patterns from the brackets at the end, so those are
        // replaced by the real pattern list.
        if (description.endsWith(u')')) {
            qsizetype open = description.lastIndexOf(u'(');
            if (open >= 0) description = description.left(open).trimmed();
        }
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        result << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

bool TQtFileDialogs::OpenFiles(QWidget* owner, const std::string& filter,
                               std::vector<std::string>& names) {
    QFileDialog dialog(owner, QStringLiteral("Open"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(QtNameFilters(filter));
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted) return false;
    names.clear();
    for (const QString& f : dialog.selectedFiles())
        names.push_back(FromQ(QDir::toNativeSeparators(f)));
    return true;
}

bool TQtFileDialogs::BrowseForFolder(QWidget* owner, const std::string& title,
                                     const std::string& root, std::string& folder) {
    return ::BrowseForFolder(owner, title, root, folder);
}
