#include "ui/main/fontwarmup.h"

#include "ui/logging.h"

#include <fontconfig/fontconfig.h>

#include <csignal>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace {

std::thread& reader() {
    static std::thread thread;
    return thread;
}

} // namespace

void startReadingFontConfiguration() {
    if (reader().joinable())
        return;
    // The thread is made with every signal blocked, so that the termination signals reach the
    // program's own handler on the main thread.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    try {
        reader() = std::thread([] {
            // On failure the toolkit tries again itself when it first needs a font.
            if (!FcInit())
                qCWarning(lcUi) << "the font configuration could not be read ahead";
        });
    } catch (const std::system_error& e) {
        qCWarning(lcUi) << "the font configuration is not read ahead:" << e.what();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void finishReadingFontConfiguration() {
    if (reader().joinable())
        reader().join();
}
