#pragma once
// The window's public operations for callers outside the process: the object
// /inkWrite on the session bus, interface org.tavro.PenWriter.InkWrite. A
// script, an accessibility tool or a tablet-button mapper reaches the
// operations here, the erase modes included, which no control selects.
//
// Every call runs on the window's thread and calls the window's operation
// just as a caller inside the program does. A failure the operation raises
// goes back to the remote caller as an error reply (org.tavro.PenWriter.Error.*)
// instead of the window's error report: the remote caller is the caller.

#include <QDBusContext>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>

class InkWrite;

namespace Automation {
inline constexpr char kService[] = "org.tavro.PenWriter";
inline constexpr char kObjectPath[] = "/inkWrite";
inline constexpr char kInterface[] = "org.tavro.PenWriter.InkWrite";

// The error name for a platform failure code (PlatformErrorCode), under
// org.tavro.PenWriter.Error.
QString errorNameFor(int32_t code);
}  // namespace Automation

class InkWriteAutomation : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tavro.PenWriter.InkWrite")
    Q_PROPERTY(qint16 goCount READ goCount)
public:
    // Made a child of the window, so it lives exactly as long as the window.
    explicit InkWriteAutomation(InkWrite& window);

    qint16 goCount() const;

public slots:
    void Ink();
    void CuspErase();
    void IntersectionErase();
    void StrokeErase();
    void UpdateApplicationMode(qint16 newMode);
    void Pen_Width(qint16 p_Width);
    void Color_Select(qint32 p_BackColor);
    void Clear();
    // Both may show modal boxes; the reply goes out when the operation ends.
    void End_Rtn();
    void Exit_Rtn();

private:
    template <class Operation>
    void perform(Operation&& operation);

    QPointer<InkWrite> m_window;
};
