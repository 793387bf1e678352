// tavelo-reader: reads pages for Tavelo in a process of its own, so that an engine that aborts
// or hangs costs one page and never the window. Requests come as frames on standard input,
// one reply frame each goes to standard output; the end of the input ends the worker.

#include <unistd.h>

#include <QByteArray>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PageEngine.h"
#include "pages/ReaderProtocol.h"

namespace {

// `transfer` (read or write) until all `size` bytes went, through interruptions; false at
// the end of the input or on an error.
template <class Byte, class Transfer>
bool TransferFully(int fd, Byte* data, std::size_t size, Transfer transfer) {
    while (size > 0) {
        const ssize_t n = transfer(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

bool ReadFully(int fd, char* data, std::size_t size) {
    return TransferFully(fd, data, size, ::read);
}

bool WriteFully(int fd, const char* data, std::size_t size) {
    return TransferFully(fd, data, size, ::write);
}

bool ReadRequestFrame(QByteArray* payload) {
    unsigned char head[4];
    if (!ReadFully(0, reinterpret_cast<char*>(head), 4)) {
        return false;
    }
    const std::uint32_t length =
        std::uint32_t(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
    if (length > tavelo::kMaxFrameBytes) {
        return false;
    }
    payload->resize(qsizetype(length));
    return ReadFully(0, payload->data(), length);
}

}  // namespace

int main(int argc, char** argv) {
    // The OpenMP runtime in Debian's tesseract reads its thread limit once, when it loads:
    // without the limit it spins threads that make reading several times slower. Started
    // without it, the worker starts itself again with it.
    if (std::getenv("OMP_THREAD_LIMIT") == nullptr) {
        ::setenv("OMP_THREAD_LIMIT", "1", 1);
        ::execv("/proc/self/exe", argv);
        std::perror("tavelo-reader: cannot restart with OMP_THREAD_LIMIT");
    }
    std::string tessdata;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tessdata") == 0 && i + 1 < argc) {
            tessdata = argv[++i];
        } else {
            std::fprintf(stderr, "usage: tavelo-reader [--tessdata FOLDER] < requests\n");
            return 2;
        }
    }
    // The replies own standard output: whatever the libraries print goes to standard error.
    const int replies = ::dup(1);
    if (replies < 0 || ::dup2(2, 1) < 0) {
        return 1;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return 1;
    }
    tavelo::PageEngine engine(tessdata, scratch.path().toStdString());
    QByteArray payload;
    while (ReadRequestFrame(&payload)) {
        tavelo::ReadRequest request;
        if (!tavelo::DecodeRequest(payload, &request)) {
            std::fprintf(stderr, "tavelo-reader: a request that is not one\n");
            return 1;
        }
        const QByteArray reply = tavelo::Frame(tavelo::EncodeReply(engine.Read(request)));
        if (!WriteFully(replies, reply.constData(), std::size_t(reply.size()))) {
            return 1;
        }
    }
    return 0;
}
