#pragma once
// Modal message boxes, always titled "Tavro Pen Writer".

#include <QString>

class QWidget;

namespace MessageBoxStyle {
constexpr int YesNo = 4;          // Yes and No, no icon, Yes the default button
constexpr int Information = 64;   // information icon, OK
}  // namespace MessageBoxStyle

namespace MessageBoxResult {
constexpr int Ok = 1;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace MessageBoxResult

extern const char* const kMessageBoxTitle;  // "Tavro Pen Writer"

// Throws PlatformError InvalidArgument unless style is one of the above.
void checkMessageBoxStyle(int style);
// Whether a box of this style can answer result.
bool isMessageBoxAnswer(int style, int result);

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows text modally with one of the styles above; returns a result above.
    virtual int show(QWidget* parent, const QString& text, int style) = 0;
};

// The real one, on QMessageBox. The text is always shown as plain text, so a
// message that names a failure cannot turn into markup. Closing a Yes/No box
// without choosing (Escape, the close button) answers No.
class QtMessageBoxService : public MessageBoxService {
public:
    int show(QWidget* parent, const QString& text, int style) override;
};
