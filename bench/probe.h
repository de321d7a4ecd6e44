// For the benchmark programs that run a window: tells the driver, on standard output, the moment
// a window is first on screen, i.e. when its first expose has been handled, which paints the
// window and hands the picture to the display. Times are CLOCK_MONOTONIC nanoseconds, the clock
// the driver reads when it starts the process.
#pragma once

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <functional>

inline long long monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

class ProbedApplication : public QApplication {
public:
    ProbedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    // The title of the window that counts; any top-level window when empty.
    QString shownTitle;
    // Or, when set, the object name of the window that counts (a widget's window is named after
    // the widget, with "Window" added).
    QString shownObjectName;
    // Runs once, right after that window was first shown.
    std::function<void()> onShown;
    // Runs after every event the application delivers.
    std::function<void()> afterEvent;

    bool notify(QObject* receiver, QEvent* event) override {
        const bool handled = QApplication::notify(receiver, event);
        if (!shown_ && event->type() == QEvent::Expose && receiver->isWindowType()) {
            auto* window = static_cast<QWindow*>(receiver);
            const bool wanted = !shownObjectName.isEmpty()
                                    ? window->objectName() == shownObjectName
                                    : shownTitle.isEmpty() || window->title() == shownTitle;
            if (window->isExposed() && wanted) {
                shown_ = true;
                std::printf("shown %lld\n", monotonicNs());
                std::fflush(stdout);
                if (onShown)
                    onShown();
            }
        }
        if (afterEvent)
            afterEvent();
        return handled;
    }

private:
    bool shown_ = false;
};
