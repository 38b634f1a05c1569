#include "platform/dialogs/common_dialog.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

[[noreturn]] void invalidFilter(const QString& why)
{
    throw PlatformError(PlatformErrorCode::InvalidArgument,
                        ("Invalid dialog filter: " + why).toStdString());
}

}  // namespace

QList<FileFilter> parseDialogFilter(const QString& filter)
{
    QString text = filter;
    // One trailing bar closes the list, as the control's own strings do.
    if (text.endsWith(QLatin1Char('|')))
        text.chop(1);
    if (text.isEmpty())
        return {};

    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() % 2 != 0)
        invalidFilter(QStringLiteral("a description without its patterns"));

    QList<FileFilter> filters;
    filters.reserve(parts.size() / 2);
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        FileFilter entry;
        entry.description = parts[i];
        if (entry.description.isEmpty())
            invalidFilter(QStringLiteral("filter %1 has no description").arg(i / 2 + 1));
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'))) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                entry.patterns.append(trimmed);
        }
        if (entry.patterns.isEmpty())
            invalidFilter(QStringLiteral("filter %1 has no pattern").arg(i / 2 + 1));
        filters.append(std::move(entry));
    }
    return filters;
}

bool fitsMaxFileSize(const QString& nativeName, int32_t maxFileSize)
{
    // Counted in UTF-16 units plus the terminating null, the way a wide
    // character buffer of MaxFileSize characters holds a path.
    return nativeName.size() < qsizetype(maxFileSize);
}

QList<FileFilter> checkDialogSettings(const QString& filter, int32_t maxFileSize)
{
    if (maxFileSize < 1)
        throw PlatformError(PlatformErrorCode::InvalidArgument,
                            "MaxFileSize must be at least 1, not " + std::to_string(maxFileSize));
    return parseDialogFilter(filter);
}

void checkChosenFileName(const QString& nativeName, int32_t flags, int32_t maxFileSize)
{
    if (nativeName.isEmpty())
        return;
    if (!fitsMaxFileSize(nativeName, maxFileSize))
        throw PlatformError(PlatformErrorCode::FileNameTooLong,
                            "The chosen file name has " + std::to_string(nativeName.size())
                                + " characters; MaxFileSize " + std::to_string(maxFileSize)
                                + " leaves room for "
                                + std::to_string(std::max<int64_t>(0, int64_t(maxFileSize) - 1)));
    if ((flags & CommonDialogFlags::FileMustExist)
        && !QFileInfo(QDir::fromNativeSeparators(nativeName)).isFile())
        throw PlatformError(PlatformErrorCode::FileNotFound,
                            "The chosen file does not exist: " + nativeName.toStdString());
}
