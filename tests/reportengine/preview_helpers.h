#pragma once
// Driving the preview window in tests: scripted file dialogs and messages, waiting for a
// condition inside the preview's own wait, keys as a user presses them, pages as pictures.

#include "report_helpers.h"

#include "reportengine/controls/shape.h"
#include "reportengine/preview/preview_dialogs.h"
#include "reportengine/preview/qrpreview.h"
#include "reportengine/preview/qrpreviewimage.h"
#include "reportengine/preview/qrstandardpreview.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

// Answers the preview's dialogs and records its messages (or leaves the messages to whoever
// shows them otherwise: the program's own boxes).
struct ScriptedPreview {
    std::deque<QRFileChoice> saveAnswers;   // none left: cancelled
    std::deque<QString> openAnswers;
    std::vector<QString> saveFilters, openFilters, errors;
    QRPreviewDialogsScope scope;

    explicit ScriptedPreview(bool recordMessages = true) : scope(dialogs(recordMessages)) {}

    QRPreviewDialogs dialogs(bool recordMessages)
    {
        QRPreviewDialogs d;
        d.saveFile = [this](QWidget*, const QString& filter, const QString& ext) {
            saveFilters.push_back(filter + QStringLiteral(" / ") + ext);
            if (saveAnswers.empty())
                return QRFileChoice{};
            QRFileChoice c = saveAnswers.front();
            saveAnswers.pop_front();
            return c;
        };
        d.openFile = [this](QWidget*, const QString& filter) {
            openFilters.push_back(filter);
            if (openAnswers.empty())
                return QString();
            QString c = openAnswers.front();
            openAnswers.pop_front();
            return c;
        };
        if (recordMessages)
            d.showError = [this](QWidget*, const QString& text) { errors.push_back(text); };
        return d;
    }
};

// The open preview windows, in no particular order (closed ones waiting for deletion are left
// out).
inline std::vector<TQRStandardPreview*> openPreviews()
{
    std::vector<TQRStandardPreview*> out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<TQRStandardPreview*>(w); p && p->isVisible())
            out.push_back(p);
    }
    return out;
}

// The one open preview window (none when there is not exactly one).
inline TQRStandardPreview* openPreview()
{
    const auto all = openPreviews();
    return all.size() == 1 ? all.front() : nullptr;
}

// The open preview window other than this one.
inline TQRStandardPreview* otherPreview(const TQRStandardPreview* one)
{
    for (TQRStandardPreview* w : openPreviews())
        if (w != one)
            return w;
    return nullptr;
}

// Deletes closed preview windows now, so the next step or test starts with none (only those:
// other objects waiting for deletion may still be running further up the stack).
inline void flushClosedWindows()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<TQRStandardPreview*>(w); p && !p->isVisible())
            delete p;
    }
}

// Runs act once cond holds, checked every millisecond while events are processed (inside a
// report run or a preview's wait). One that has not fired when its test ends is dropped unasked
// (its captures are gone).
inline void when(std::function<bool()> cond, std::function<void()> act)
{
    auto* timer = new QTimer;
    timer->setInterval(1);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, test, cond = std::move(cond), act = std::move(act)] {
        if (::testing::UnitTest::GetInstance()->current_test_info() != test) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (!cond())
            return;
        timer->stop();
        act();   // may run event loops of its own: the timer goes only afterwards
        timer->deleteLater();
    });
    timer->start();
}

inline bool finished(const TQRStandardPreview* w)
{
    return w && w->QRPrinter() && w->QRPrinter()->Status() == TQRPrinterStatus::Finished;
}

// Runs report.Preview(); once the run has finished, step gets the window (its messages handled
// first); the window is closed afterwards unless the step closed it.
inline void previewThen(TQRReport& report, const std::function<void(TQRStandardPreview&)>& step)
{
    when([] { return finished(openPreview()); }, [step] {
        QCoreApplication::processEvents();
        QPointer<TQRStandardPreview> w = openPreview();
        step(*w);
        if (w && w->isVisible())
            w->close();
    });
    report.Preview();
    flushClosedWindows();
}

// A key as the keyboard delivers it: to the focused control of the window.
inline void pressKey(QWidget* window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(target, &release);
}

// The page picture as the window shows it.
inline QImage shownPicture(TQRStandardPreview& w)
{
    return w.QRPreview->PreviewImage()->Picture();
}

// True when nothing at all is painted (every pixel transparent).
inline bool blank(const QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(picture.pixel(x, y)) != 0)
                return false;
    return true;
}

// Temporary files in a folder: named ones of the page store's prefix, and files this process
// holds open there (Qt creates temporary files unnamed where the system allows).
inline QStringList spillFiles(const QString& dir)
{
    QStringList out = QDir(dir).entryList({QStringLiteral("QRP*")}, QDir::Files);
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.startsWith(dir + QLatin1Char('/')))
            out << target;
    }
    return out;
}

// TMPDIR pointing at a folder of the test's own for as long as it lives.
class TempDirScope {
public:
    TempDirScope() : m_old(qgetenv("TMPDIR")) { qputenv("TMPDIR", m_dir.path().toUtf8()); }
    ~TempDirScope() { qputenv("TMPDIR", m_old); }
    QString path() const { return m_dir.path(); }
    TempDirScope(const TempDirScope&) = delete;
    TempDirScope& operator=(const TempDirScope&) = delete;

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

// Puts a picture of noise in the page header: each page then takes about bytes of store, so a
// few pages spill to a temporary file.
inline void heavyPages(BandReport& r, int side = 200)
{
    auto* picture = new TQRImage(r.header);
    picture->setBounds(0, 0, 400, 40);
    picture->Stretch = true;
    QImage noise(side, side, QImage::Format_RGB32);
    quint32 x = 2463534242u;
    for (int i = 0; i < side * side; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        noise.setPixel(i % side, i / side, x & 0xFFFFFF);
    }
    picture->setPicture(noise);
}

// A4 portrait at 96 dpi in screen pixels: 2100 and 2970 tenths of a millimetre.
constexpr int kA4WidthAt96 = 794;    // round(2100 * 96 / 254) = round(793.70)
constexpr int kA4LengthAt96 = 1123;  // round(2970 * 96 / 254) = round(1122.52)
