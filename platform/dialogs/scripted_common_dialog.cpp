#include "platform/dialogs/scripted_common_dialog.h"

#include "platform/dialogs/scripted_dialog_error.h"

#include <QDebug>
#include <QQueue>

namespace {

struct Answer {
    enum class Type { FileName, Cancel, Failure } type;
    QString text;
    int32_t code = 0;
};

}  // namespace

struct ScriptedCommonDialogFactory::Script {
    QQueue<Answer> answers;
    QList<Shown> shown;
    int created = 0;
    int unexpected = 0;
};

namespace {

class ScriptedCommonDialog : public CommonDialog {
public:
    ScriptedCommonDialog(QWidget* parent, std::shared_ptr<ScriptedCommonDialogFactory::Script> script)
        : m_parent(parent), m_script(std::move(script))
    {
    }

    void ShowOpen() override { show(ScriptedCommonDialogFactory::Kind::Open); }
    void ShowSave() override { show(ScriptedCommonDialogFactory::Kind::Save); }

private:
    void show(ScriptedCommonDialogFactory::Kind kind)
    {
        // The real dialog refuses these settings before it appears.
        checkDialogSettings(Filter, MaxFileSize);
        m_script->shown.append({m_parent, kind, Flags, FileName, Filter, DialogTitle, MaxFileSize});

        if (m_script->answers.isEmpty()) {
            ++m_script->unexpected;
            const std::string what = "Scripted common dialog \"" + DialogTitle.toStdString()
                + "\" shown with no answer queued";
            qCritical("%s", what.c_str());
            throw ScriptedDialogError(what);
        }
        const Answer answer = m_script->answers.dequeue();
        switch (answer.type) {
        case Answer::Type::Cancel:
            throw PlatformError(PlatformErrorCode::DialogCancel, "The file dialog was cancelled");
        case Answer::Type::Failure:
            throw PlatformError(answer.code, answer.text.toStdString());
        case Answer::Type::FileName:
            checkChosenFileName(answer.text, Flags, MaxFileSize);
            FileName = answer.text;
            return;
        }
    }

    QWidget* m_parent;
    std::shared_ptr<ScriptedCommonDialogFactory::Script> m_script;
};

}  // namespace

ScriptedCommonDialogFactory::ScriptedCommonDialogFactory() : m_script(std::make_shared<Script>()) {}
ScriptedCommonDialogFactory::~ScriptedCommonDialogFactory() = default;

void ScriptedCommonDialogFactory::queueFileName(const QString& chosen)
{
    m_script->answers.enqueue({Answer::Type::FileName, chosen});
}

void ScriptedCommonDialogFactory::queueCancel()
{
    m_script->answers.enqueue({Answer::Type::Cancel, {}});
}

void ScriptedCommonDialogFactory::queueFailure(int32_t code, const QString& message)
{
    m_script->answers.enqueue({Answer::Type::Failure, message, code});
}

std::unique_ptr<CommonDialog> ScriptedCommonDialogFactory::create(QWidget* parent)
{
    ++m_script->created;
    return std::make_unique<ScriptedCommonDialog>(parent, m_script);
}

const QList<ScriptedCommonDialogFactory::Shown>& ScriptedCommonDialogFactory::shown() const
{
    return m_script->shown;
}

int ScriptedCommonDialogFactory::createdDialogs() const { return m_script->created; }
int ScriptedCommonDialogFactory::pendingAnswers() const { return int(m_script->answers.size()); }
int ScriptedCommonDialogFactory::unexpectedShows() const { return m_script->unexpected; }
