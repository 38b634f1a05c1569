// Checks a common dialog's settings as the dialogs do before showing:
// checkDialogSettings on any filter string and MaxFileSize, then the chosen
// name's length rule. Input: four bytes of MaxFileSize, a byte that says
// whether the rest is UTF-8 or UTF-16 (UTF-16 reaches lone surrogates), the
// filter string.
//
// Besides no crash, the parsed filters must say what the string says:
// rejoined they give the string back up to blanks and empty patterns,
// nothing in them holds a separator, and parsing the rejoined string gives
// the same filters.

#include "platform/dialogs/common_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

QString join(const QList<FileFilter>& filters)
{
    QString text;
    for (const FileFilter& f : filters)
        text += f.description + QLatin1Char('|') + f.patterns.join(QLatin1Char(';')) + QLatin1Char('|');
    return text;
}

// The string with what parsing drops taken out: the closing bar, blanks
// around patterns and empty patterns. Applied to the input it must match
// the rejoined filters.
QString canonical(const QString& filter)
{
    QString text = filter;
    if (text.endsWith(QLatin1Char('|')))
        text.chop(1);
    if (text.isEmpty())
        return text;
    const QStringList parts = text.split(QLatin1Char('|'));
    QString out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList kept;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';')))
            if (!p.trimmed().isEmpty())
                kept.append(p.trimmed());
        out += parts[i] + QLatin1Char('|') + kept.join(QLatin1Char(';')) + QLatin1Char('|');
    }
    return out;
}

int32_t errorCode(const std::function<void()>& call)
{
    try {
        call();
    } catch (const PlatformError& e) {
        return e.code();
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return -1;
    int32_t maxFileSize = 0;
    std::memcpy(&maxFileSize, data, 4);
    const bool utf16 = data[4] & 1;
    const char* text = reinterpret_cast<const char*>(data + 5);
    const qsizetype length = qsizetype(size - 5);
    const QString filter = utf16 ? QString::fromUtf16(reinterpret_cast<const char16_t*>(data + 5), length / 2)
                                 : QString::fromUtf8(text, length);

    QList<FileFilter> parsed;
    const int32_t parseCode = errorCode([&] { parsed = parseDialogFilter(filter); });
    check(parseCode == 0 || parseCode == PlatformErrorCode::InvalidArgument, "a bad filter is InvalidArgument");

    QList<FileFilter> checked;
    const int32_t settingsCode = errorCode([&] { checked = checkDialogSettings(filter, maxFileSize); });
    if (maxFileSize < 1)
        check(settingsCode == PlatformErrorCode::InvalidArgument, "MaxFileSize below 1 is refused");
    else
        check(settingsCode == parseCode && checked == parsed, "the settings check parses as parseDialogFilter");

    if (parseCode == 0) {
        for (const FileFilter& f : parsed) {
            check(!f.description.isEmpty() && !f.description.contains(QLatin1Char('|')), "a description");
            check(!f.patterns.isEmpty(), "each filter has a pattern");
            for (const QString& p : f.patterns)
                check(!p.isEmpty() && p == p.trimmed() && !p.contains(QLatin1Char(';'))
                          && !p.contains(QLatin1Char('|')),
                      "a pattern is trimmed and holds no separator");
        }
        check(join(parsed) == canonical(filter), "the filters say what the string says");
        check(parseDialogFilter(join(parsed)) == parsed, "the rejoined string parses the same");
    }

    // The chosen name's rule: fits exactly when shorter than MaxFileSize.
    const int32_t nameCode = errorCode([&] { checkChosenFileName(filter, 0, maxFileSize); });
    const bool fits = filter.isEmpty() || filter.size() < qsizetype(maxFileSize);
    check(nameCode == (fits ? 0 : PlatformErrorCode::FileNameTooLong), "the name length rule");
    return 0;
}
