// The window's save to a FIFO whose reader misbehaves: a reader that stops
// early or never reads makes the save fail with the writer's message, at
// once or after a bounded wait, and the window runs on (no SIGPIPE ends it,
// no write blocks it for as long as the reader stalls).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>

#include "export/bmp_writer.h"
#include "export_files.h"
#include "platform/bitmap.h"
#include "platform/memory.h"
#include "support/posix/write_targets.h"
#include "support/recording_message_box.h"

namespace {

AppWindow* const kOwner = reinterpret_cast<AppWindow*>(0x4B56);

// Reads up to `bytes` from the FIFO once its writer has begun, then closes it.
void ReadSomeThenClose(int reader, std::size_t bytes)
{
    pollfd ready = {reader, POLLIN, 0};
    poll(&ready, 1, 60 * 1000);
    fcntl(reader, F_SETFL, 0);
    std::string taken(bytes, '\0');
    std::size_t got = 0;
    for (ssize_t n = 1; got < bytes && n > 0; got += std::size_t(std::max<ssize_t>(n, 0)))
        n = read(reader, taken.data() + got, bytes - got);
    close(reader);
}

bool PipeSignalPending()
{
    sigset_t pending;
    return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE);
}

// A picture several times a pipe's buffer (64 KiB), so that the reader must
// take part of it before the rest can be written.
TEST(SaveToFifo, AReaderThatStopsOrStallsFailsTheSaveAndTheWindowRunsOn)
{
    ScratchFolder folder;
    MessageRecorder messages;
    SurfaceBitmap* bitmap = CreateBitmapOfDepth(256, 256, 1, 32);
    ASSERT_NE(bitmap, nullptr);
    BitmapInfo* info = CreateBitmapInfo(kOwner, bitmap);
    ASSERT_NE(info, nullptr);
    const struct {
        const char* name;
        std::function<void(int reader)> read;  // on its own thread
        bool readerCloses;
    } cases[] = {
        {"a reader that takes 1000 bytes and goes", [](int reader) { ReadSomeThenClose(reader, 1000); }, true},
        {"a reader that keeps the FIFO open and reads nothing", [](int) {}, false},
    };
    int count = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        const std::string path = folder.path("p" + std::to_string(++count) + ".bmp");
        const int reader = OpenFifoReader(path);
        ASSERT_GE(reader, 0);
        std::thread reading(c.read, reader);
        EXPECT_EQ(WriteBitmapFile(kOwner, path.c_str(), info, bitmap, nullptr), 0);
        reading.join();
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].text, "ERROR while writing bitmap bits!");
        EXPECT_FALSE(PipeSignalPending()) << "a broken pipe is a failed write, not a signal";
        if (!c.readerCloses)
            close(reader);
    }
    ReleaseMemory(info);
    ReleaseSurfaceBitmap(bitmap);
}

}  // namespace
