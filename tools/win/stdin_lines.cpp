#include "tools/win/stdin_lines.h"

#include <string>
#include <system_error>
#include <utility>

namespace velko::tools::win {

// What the reading thread hands over. The thread posts only while the receiver exists: both
// sides hold the lock for that.
struct StdinLines::Shared {
    SRWLOCK lock = SRWLOCK_INIT;
    win32::MessageWindow* window;
    win32::MessageWindow::Id id;
    std::string bytes;
    bool ended = false;

    void hand(std::string_view read, bool end) {
        AcquireSRWLockExclusive(&lock);
        bytes.append(read);
        ended = ended || end;
        if (window != nullptr) window->post(id);
        ReleaseSRWLockExclusive(&lock);
    }
};

StdinLines::StdinLines(win32::MessageWindow& window)
    : window_(window),
      id_(window.subscribe([this] { take(); })),
      shared_(std::make_shared<Shared>()) {
    shared_->window = &window_;
    shared_->id = id_;
    auto* handedToThread = new std::shared_ptr<Shared>(shared_);
    const HANDLE thread =
        CreateThread(nullptr, 0, &StdinLines::readerMain, handedToThread, 0, nullptr);
    if (thread == nullptr) {
        const DWORD error = GetLastError();
        delete handedToThread;
        window_.unsubscribe(id_);
        throw std::system_error(static_cast<int>(error), std::system_category(), "CreateThread");
    }
    CloseHandle(thread);
}

StdinLines::~StdinLines() {
    AcquireSRWLockExclusive(&shared_->lock);
    shared_->window = nullptr;
    ReleaseSRWLockExclusive(&shared_->lock);
    window_.unsubscribe(id_);
}

DWORD WINAPI StdinLines::readerMain(LPVOID handed) {
    const std::shared_ptr<Shared> shared =
        std::move(*static_cast<std::shared_ptr<Shared>*>(handed));
    delete static_cast<std::shared_ptr<Shared>*>(handed);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string buffer(65536, '\0');
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(input, buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr) ||
            count == 0) {
            shared->hand({}, true);
            return 0;
        }
        shared->hand(std::string_view(buffer.data(), count), false);
    }
}

void StdinLines::take() {
    AcquireSRWLockExclusive(&shared_->lock);
    const std::string bytes = std::exchange(shared_->bytes, std::string());
    const bool ended = shared_->ended;
    ReleaseSRWLockExclusive(&shared_->lock);
    lines_.append(bytes);
    if (ended) lines_.finish();
}

}  // namespace velko::tools::win
