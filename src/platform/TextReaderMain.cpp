// quorvel-text-reader [language-data-folder]: the app's text recognition in a process of its own, so that the
// app never maps Tesseract, Leptonica and the some thirty libraries they pull in, and gets all of their
// memory back when the photo screen closes and this process ends. Talks TextReaderProtocol on stdin and
// stdout; exits when stdin closes (0), on a request it cannot take (2), without language data (3) or when the
// app is gone (4).

#include "TesseractEngine.h"
#include "TextReaderProtocol.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

namespace {

namespace Protocol = TextReaderProtocol;

// Reads up to `size` bytes, fewer only at the end of the input.
std::size_t readFully(char *data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(STDIN_FILENO, data + done, size - done);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        done += std::size_t(got);
    }
    return done;
}

bool writeFully(const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += std::size_t(put);
    }
    return true;
}

bool reply(Protocol::Status status, std::vector<Protocol::Line> lines = {}) {
    return writeFully(Protocol::encodeReply({status, std::move(lines)}));
}

} // namespace

int main(int argc, char **argv) {
    // A write to an app that is gone fails with EPIPE and ends the loop below.
    std::signal(SIGPIPE, SIG_IGN);
    const char *dataFolder = argc > 1 && argv[1][0] != '\0' ? argv[1] : nullptr;
    std::unique_ptr<TesseractEngine> engine = TesseractEngine::make(dataFolder);
    if (!engine) {
        reply(Protocol::Status::NoLanguageData);
        return 3;
    }
    if (!reply(Protocol::Status::Ready))
        return 4;

    std::string picture;
    for (;;) {
        char header[Protocol::kRequestHeaderSize];
        const std::size_t got = readFully(header, sizeof header);
        if (got == 0)
            return 0; // the app closed our input: done
        if (got < sizeof header) {
            std::fprintf(stderr, "quorvel-text-reader: request header cut short (%zu bytes)\n", got);
            return 2;
        }
        const std::optional<Protocol::Request> request =
            Protocol::decodeRequestHeader(std::string_view(header, sizeof header));
        if (!request) {
            std::fprintf(stderr, "quorvel-text-reader: not a request this reader takes\n");
            reply(Protocol::Status::Malformed);
            return 2;
        }
        // Bounded by the header's checks (kMaxPictureBytes).
        picture.resize(request->pictureBytes());
        if (readFully(picture.data(), picture.size()) < picture.size()) {
            std::fprintf(stderr, "quorvel-text-reader: picture cut short\n");
            return 2;
        }
        auto lines =
            engine->read(reinterpret_cast<const unsigned char *>(picture.data()), int(request->width),
                         int(request->height), int(request->width) * 3, request->layout);
        if (!(lines ? reply(Protocol::Status::Lines, std::move(*lines)) : reply(Protocol::Status::Failed)))
            return 4;
    }
}
