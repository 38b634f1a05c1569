// A soak run of the real window: N random operations, seeded and printed so
// that a failing run can be repeated, through the controls where the window
// has one and its public operations otherwise. It fails on anything reaching
// the top, on any message box, dialog or error report an operation did not
// ask for, on a save that leaves anything but its JPEG, and when resident
// memory grows beyond what the ink holds plus a fixed slack.
//
//   tavro_soak [--ops N] [--seed S]    (1,500 operations and a fresh seed by default)
//
// scripts/soak.sh runs it with a fixed list of seeds.

#include "tests/app_output/output_fixture.h"
#include "tests/ink_qt/paper_fixture.h"


#include <QElapsedTimer>
#include <QTemporaryDir>

#include <malloc.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// The freed-memory quarantine would otherwise hold up to 256 MiB that is not
// the program's; a smaller one still catches a use after free.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }
constexpr long kQuarantineKiB = 32 * 1024;
#else
constexpr long kQuarantineKiB = 0;
#endif

namespace {

// What may come and go besides the ink once every kind of operation has run:
// Qt's glyph, pixmap and event caches and the allocator's pages that
// malloc_trim cannot give back (about 3 MiB seen over 10,000 operations). A
// leak of 600 bytes an operation passes it within 10,000 operations.
constexpr long kSlackKiB = 6 * 1024;
constexpr long kWarmUpOps = 300;

const char* const kClearQuestion = "화면을 지우시겠습니까 ?";
const char* const kExitQuestion = "정말로 종료하시겠습니까 ?";
const char* const kOpenFailed = "그림 파일을 열 수 없습니다.";

// VmRSS after handing freed heap back to the system: what the program holds
// rather than what the allocator keeps for later.
long residentKiB()
{
    malloc_trim(0);
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

class Soak : public OutputWindow {
public:
    explicit Soak(uint64_t seed) : m_rng(seed) {}

    struct Operation {
        const char* name;
        int weight;
        void (Soak::*run)();
        long done = 0;
    };
    // An erase mode goes on with the mouse erasing once; the strokes that
    // follow erase too until another mode comes. Modes beyond the four are
    // stored and erase nothing.
    std::vector<Operation> table = {
        {"pen stroke", 20, &Soak::penStroke},     {"mouse stroke", 20, &Soak::mouseStroke},
        {"eraser end", 6, &Soak::eraserEnd},      {"Ink", 8, &Soak::inkMode},
        {"CuspErase", 2, &Soak::cuspErase},       {"IntersectionErase", 2, &Soak::intersectionErase},
        {"StrokeErase", 2, &Soak::strokeErase},   {"UpdateApplicationMode", 1, &Soak::anyMode},
        {"undo", 6, &Soak::undo},                 {"colour swatch", 5, &Soak::colour},
        {"pen button", 4, &Soak::pen},            {"paper colour", 2, &Soak::paperColour},
        {"new page", 2, &Soak::newPage},          {"save", 2, &Soak::save},
        {"open picture", 2, &Soak::openPicture},  {"exit answered No", 1, &Soak::exitAnsweredNo},
    };

    bool setUp();
    // Runs op and checks what it left; false, with problem set, on a fault.
    bool runOne(Operation& op);

    void penStroke() { tabletStroke(*m_tip); }
    void eraserEnd() { tabletStroke(*m_eraser); }
    void mouseStroke();
    void inkMode() { form->Ink(); }
    void cuspErase() { form->CuspErase(); mouseStroke(); }
    void intersectionErase() { form->IntersectionErase(); mouseStroke(); }
    void strokeErase() { form->StrokeErase(); mouseStroke(); }
    void anyMode() { form->UpdateApplicationMode(int16_t(pick(0, 5))); }
    void undo() { click(form->Image4); }
    void colour() { click(form->labColor[size_t(pick(0, 24))]); }
    void pen() { click(std::array{form->Image1, form->Image2, form->Image3}[size_t(pick(0, 2))]); }
    void paperColour() { click(pick(0, 1) ? form->imgBackGColor_W : form->imgBackGColor_B); }
    void newPage();
    void save();
    void openPicture();
    void everyPicture();  // the warm-up's
    void exitAnsweredNo() { expectBox(kExitQuestion, MessageBoxResult::No); click(form->imgExit); }

    QString problem;
    int opsRun = 0;
    int lastNewPageOp = -1;
    long lastNewPageKiB = -1;
    int pagesSaved = 0;
    long savedBytes = 0;

private:
    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_rng); }
    std::vector<QPointF> path();
    void tabletStroke(const QPointingDevice& device);
    void open(const QString& file);
    void expectBox(const char* text, int answer)
    {
        messageBox.queueAnswer(answer);
        m_expectedBoxes.append(QString::fromUtf8(text));
    }
    bool fail(const QString& what) { return problem = what, false; }

    std::mt19937_64 m_rng;
    QTemporaryDir m_dir;
    QStringList m_pictures;
    QStringList m_expectedBoxes;
    qsizetype m_seenBoxes = 0;
    QString m_expectedPage;
    std::unique_ptr<QPointingDevice> m_tip{makeTabletDevice(QPointingDevice::PointerType::Pen, 1)};
    std::unique_ptr<QPointingDevice> m_eraser{makeTabletDevice(QPointingDevice::PointerType::Eraser, 2)};
};

bool Soak::setUp()
{
    if (!m_dir.isValid() || !show() || !QDir().mkpath(m_dir.filePath("pages")))
        return false;
    QApplication::setActiveWindow(form.get());
    // Every background format, odd names, and one damaged file that must be refused.
    // Copies of the picture tests' committed files.
    const std::pair<const char*, const char*> pictures[] = {
        {"quadrants.jpg", "a.jpg"}, {"quadrants.bmp", "a b.bmp"}, {"quadrants.gif", "그림.gif"},
        {"jpeg-half.jpg", "damaged.jpg"}, {"scene.emf", "scene.emf"}, {"scene.wmf", "scene.wmf"}};
    for (const auto& [from, to] : pictures) {
        m_pictures.append(m_dir.filePath(QString::fromUtf8(to)));
        if (!QFile::copy(QStringLiteral(TAVRO_PICTURE_DATA "/") + from, m_pictures.back()))
            return false;
    }
    return true;
}

// A wandering line, mostly short, sometimes long enough to cross much of the
// page; now and then it starts beyond the paper's edge.
std::vector<QPointF> Soak::path()
{
    const QSize paper = form->ImgPaper->size();
    const int margin = pick(0, 19) == 0 ? 60 : 0;
    std::vector<QPointF> line{QPoint{pick(-margin, paper.width() - 1 + margin), pick(-margin, paper.height() - 1 + margin)}};
    const int points = pick(1, pick(0, 9) == 0 ? 400 : 50);
    const int step = pick(2, 25);
    while (int(line.size()) < points)
        line.push_back(line.back() + QPoint(pick(-step, step), pick(-step, step)));
    return line;
}

void Soak::mouseStroke()
{
    mouseDrag(form->ImgPaper, path());
}

// Press, moves and release, each sample with its own pressure.
void Soak::tabletStroke(const QPointingDevice& device)
{
    const std::vector<QPointF> points = path();
    for (size_t i = 0; i <= points.size(); ++i) {
        const QEvent::Type type = i == 0 ? QEvent::TabletPress
                                : i == points.size() ? QEvent::TabletRelease : QEvent::TabletMove;
        const qreal pressure = type == QEvent::TabletRelease ? 0.0 : pick(1, 100) / 100.0;
        sendTablet(form->ImgPaper, &device, type, points[std::min(i, points.size() - 1)], pressure);
    }
}

// Mostly Yes; right after a Yes the page is empty, so resident memory is
// measured there.
void Soak::newPage()
{
    const bool yes = pick(0, 3) != 0;
    expectBox(kClearQuestion, yes ? MessageBoxResult::Yes : MessageBoxResult::No);
    click(form->imgNew);
    if (yes) {
        QApplication::processEvents();
        lastNewPageOp = opsRun + 1;
        lastNewPageKiB = residentKiB();
    }
}

// Only a page with something on it asks for a name.
void Soak::save()
{
    hoverSave();
    if (form->dataPresent() == -1) {
        m_expectedPage = QStringLiteral("page%1.jpg").arg(opsRun);
        dialogs.queueFileName(m_dir.filePath("pages/" + m_expectedPage));
    }
    clickSave();
}

void Soak::open(const QString& file)
{
    dialogs.queueFileName(file);
    if (file.endsWith("damaged.jpg"))
        expectBox(kOpenFailed, MessageBoxResult::Ok);
    click(form->picOpen);
}

void Soak::openPicture()
{
    const int which = pick(0, int(m_pictures.size()));
    if (which < m_pictures.size())
        return open(m_pictures[which]);
    dialogs.queueCancel();
    click(form->picOpen);
}

void Soak::everyPicture()
{
    for (const QString& file : m_pictures)
        open(file);
}

bool Soak::runOne(Operation& op)
{
    (this->*op.run)();
    ++op.done;
    ++opsRun;
    QApplication::processEvents();  // repaints, and any error report waiting to show

    const QList<ScriptedMessageBoxService::Call>& calls = messageBox.calls();
    for (qsizetype i = m_seenBoxes; i < calls.size(); ++i) {
        if (i - m_seenBoxes >= m_expectedBoxes.size() || calls[i].text != m_expectedBoxes[i - m_seenBoxes])
            return fail("unexpected message box: " + calls[i].text);
    }
    if (calls.size() - m_seenBoxes != m_expectedBoxes.size())
        return fail("a message box did not show: " + m_expectedBoxes.join(", "));
    m_seenBoxes = calls.size();
    m_expectedBoxes.clear();
    if (messageBox.pendingAnswers() || messageBox.unexpectedCalls() || dialogs.pendingAnswers()
        || dialogs.unexpectedShows())
        return fail("a dialog was not shown, or shown unasked");
    if (form->isUnloaded() || !form->isVisible())
        return fail("the window went away");
    if (!m_expectedPage.isEmpty()) {
        // The JPEG is all a save leaves; it goes again, so the folder stays small.
        const QString page = m_dir.filePath("pages/" + m_expectedPage);
        const QStringList left = filesIn(m_dir.filePath("pages"));
        if (left != QStringList{m_expectedPage} || QImage(page).isNull())
            return fail("the save left " + left.join(", "));
        ++pagesSaved;
        savedBytes += QFileInfo(page).size();
        QFile::remove(page);
        m_expectedPage.clear();
    }
    return true;
}

void printState(const char* when, InkDisp& ink, long rssKiB)
{
    const InkDisp::MemoryUse use = ink.memoryUse();
    std::printf("soak: %s: RSS %ld KiB; ink %zu strokes, %zu packets, %zu KiB\n", when, rssKiB, use.strokes,
                use.packets, use.bytes / 1024);
}

int runSoak(long ops, uint64_t seed)
{
    std::printf("soak: seed %llu, %ld operations\n", static_cast<unsigned long long>(seed), ops);
    QElapsedTimer clock;
    clock.start();
    Soak soak(seed);
    if (!soak.setUp()) {
        std::printf("soak: FAIL: the window could not be set up\n");
        return 1;
    }
    qobject_cast<TavroApplication*>(qApp)->setErrorReporter(&soak.messageBox);
    InkDisp& ink = soak.form->myInkCollector->Ink();

    std::vector<int> weights;
    for (const Soak::Operation& op : soak.table)
        weights.push_back(op.weight);
    std::discrete_distribution<size_t> choose(weights.begin(), weights.end());
    std::mt19937_64 chooser(seed ^ 0x5eedULL);
    long peakKiB = 0;
    const auto step = [&](Soak::Operation& op, const char* phase, long index) {
        if (soak.runOne(op))
            return true;
        std::printf("soak: FAIL at operation %ld of the %s (%s), seed %llu: %s\n", index, phase, op.name,
                    static_cast<unsigned long long>(seed), qPrintable(soak.problem));
        return false;
    };
    const auto run = [&](long count, const char* phase, bool report) {
        for (long i = 0; i < count; ++i) {
            if (!step(soak.table[choose(chooser)], phase, i + 1))
                return false;
            if (report && (i + 1) % std::max(1L, count / 10) == 0) {
                const long now = residentKiB();
                peakKiB = std::max(peakKiB, now);
                printState(qPrintable(QStringLiteral("after %1 operations").arg(i + 1)), ink, now);
            }
        }
        return true;
    };

    // Warm-up: every picture, every kind of operation and a stretch of random
    // work, so that caches are filled and code is paged in; then a clean page.
    Soak::Operation pictures{"every picture", 0, &Soak::everyPicture};
    bool warm = step(pictures, "warm-up", 0);
    for (Soak::Operation& op : soak.table)
        warm = warm && step(op, "warm-up", 0);
    if (!warm || !run(kWarmUpOps, "warm-up", false))
        return 1;
    for (Soak::Operation& op : soak.table)
        op.done = 0;
    soak.form->Clear();
    QApplication::processEvents();
    const long baselineKiB = residentKiB();
    printState("baseline after warm-up", ink, baselineKiB);
    soak.opsRun = 0;
    soak.lastNewPageOp = -1;
    soak.lastNewPageKiB = -1;
    if (!run(ops, "run", true))
        return 1;

    const long endKiB = residentKiB();
    std::printf("soak: operations done:");
    for (const Soak::Operation& op : soak.table)
        std::printf(" %s %ld;", op.name, op.done);
    std::printf("\nsoak: %d pages saved, %ld KiB of JPEG\n", soak.pagesSaved, soak.savedBytes / 1024);
    printState("end", ink, endKiB);
    std::printf("soak: RSS baseline %ld KiB, after the last new page (operation %d) %ld KiB, end %ld KiB, "
                "highest sampled %ld KiB\n", baselineKiB, soak.lastNewPageOp, soak.lastNewPageKiB, endKiB,
                std::max({peakKiB, soak.lastNewPageKiB, endKiB}));
    std::printf("soak: elapsed %.1f s\n", double(clock.elapsed()) / 1000.0);

    // The ink's bytes count twice: the allocator's overhead on its many small
    // blocks is of the same order.
    const long allowedKiB = kSlackKiB + kQuarantineKiB;
    const long inkKiB = long(ink.memoryUse().bytes / 1024) * 2;
    if (soak.lastNewPageKiB > baselineKiB + allowedKiB || endKiB > baselineKiB + allowedKiB + inkKiB) {
        std::printf("soak: FAIL: resident memory grew beyond %ld KiB and the ink's %ld KiB\n", allowedKiB, inkKiB);
        return 1;
    }
    std::printf("soak: PASS\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    TavroApplication app(argc, argv);
    long ops = 1500;
    uint64_t seed = std::random_device{}();
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--ops")
            ops = args[i + 1].toLong();
        else if (args[i] == "--seed")
            seed = args[i + 1].toULongLong();
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        return runSoak(ops, seed);
    } catch (const std::exception& failure) {
        std::printf("soak: FAIL: %s reached the top (seed %llu)\n", failure.what(),
                    static_cast<unsigned long long>(seed));
        return 1;
    }
}
