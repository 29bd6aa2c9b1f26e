// Windows and their messages: creation, painting, input, menus, closing and
// the message loop, on the offscreen platform.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform_test_window.h"
#include "res/resources.h"

namespace {

constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kGreen = MakeColor(0, 160, 0);

int CountOf(uint32_t message)
{
    int count = 0;
    for (const LoggedMessage& m : testScript.log)
        count += m.message == message;
    return count;
}

using WindowLifeTest = PlatformWindowTest;

TEST_F(WindowLifeTest, MessagesArriveInTheOrderOfTheWindowsLife)
{
    ASSERT_NE(Make(), nullptr);
    EXPECT_EQ(LiveWindowCount(), livingBefore + 1);
    EXPECT_EQ(std::string(WindowTitle(window)), "Platform test");
    ShowWindowMaximized(window);
    UpdateAppWindow(window);
    EXPECT_TRUE(WindowIsMaximized(window));
    // The first paint has happened before any input.
    EXPECT_EQ(LoggedKinds(), (std::vector<uint32_t>{MessageCreate, MessagePaint}));

    UserPress(window, 10, 20);
    UserRelease(window, -3, 20);  // outside the client area: not seen
    UserRelease(window, 300, 200);
    UserCloseWindow(window);
    PumpMessages();
    const std::vector<uint32_t> expected = {MessageCreate, MessagePaint, MessageLButtonDown, MessageLButtonUp,
                                            MessageClose, MessageDestroy};
    std::vector<uint32_t> kinds = LoggedKinds();
    std::erase(kinds, MessageMouseMove);
    EXPECT_EQ(kinds, expected);
    for (const LoggedMessage& m : testScript.log) {
        if (m.message == MessageLButtonDown) {
            EXPECT_EQ(m.p2, PackPoint(10, 20));
        }
        if (m.message == MessageLButtonUp) {
            EXPECT_EQ(m.p2, PackPoint(300, 200));
        }
    }
    EXPECT_EQ(LiveWindowCount(), livingBefore);
    int code = -1;
    EXPECT_TRUE(QuitWasPosted(&code));
    EXPECT_EQ(code, 0);
    // The handle of a destroyed window is recognised and ignored.
    EXPECT_EQ(SendAppMessage(window, MessageCommand, 1, 0), 0);
    InvalidateArea(window, nullptr, true);
    UpdateAppWindow(window);
    EXPECT_EQ(CountOf(MessageCommand), 0);
}

TEST_F(WindowLifeTest, CreationFailsForAnUnknownKindOrWhenTheProcedureRefuses)
{
    EXPECT_EQ(CreateAppWindow(CurrentInstance(), "NoSuchKind", "x"), nullptr);
    EXPECT_TRUE(testScript.log.empty());
    testScript.createResult = -1;
    testScript.postQuitOnDestroy = false;
    EXPECT_EQ(Make(), nullptr);
    PumpMessages();
    EXPECT_EQ(LoggedKinds(), (std::vector<uint32_t>{MessageCreate, MessageDestroy}));
    EXPECT_EQ(LiveWindowCount(), livingBefore);
    EXPECT_FALSE(RegisterWindowKind(nullptr));
}

TEST_F(WindowLifeTest, SentMessagesRunNestedAndReturnTheProceduresResult)
{
    ASSERT_NE(Make(), nullptr);
    testScript.createResult = 42;
    EXPECT_EQ(SendAppMessage(window, MessageCreate, 0, 0), 42);
    SendAppMessage(window, MessageCommand, 32772, 0);
    ASSERT_FALSE(testScript.log.empty());
    EXPECT_EQ(testScript.log.back().message, uint32_t(MessageCommand));
    EXPECT_EQ(testScript.log.back().p1, 32772u);
    // A close sent by the program destroys the window at once.
    SendAppMessage(window, MessageClose, 0, 0);
    EXPECT_EQ(testScript.log.back().message, uint32_t(MessageDestroy));
    EXPECT_EQ(LiveWindowCount(), livingBefore);
}

TEST_F(WindowLifeTest, InvalidationPaintsLaterAndErasesOnlyWhenAsked)
{
    ASSERT_NE(Make(), nullptr);
    testScript.paint = [](AppWindow* w, DrawSurface* s) { FillClient(w, s, kGreen); };
    PumpMessages();
    EXPECT_EQ(ClientPixel(window, 5, 5), kGreen);
    testScript.paint = nullptr;
    testScript.log.clear();

    const Rect part = {10, 10, 30, 20};
    InvalidateArea(window, &part, false);
    EXPECT_EQ(CountOf(MessagePaint), 0); // not before the queue is worked
    PumpMessages();
    EXPECT_EQ(CountOf(MessagePaint), 1);
    EXPECT_EQ(ClientPixel(window, 10, 10), kGreen);

    InvalidateArea(window, &part, true);
    InvalidateArea(window, &part, false); // two requests, one paint, still erased
    PumpMessages();
    EXPECT_EQ(CountOf(MessagePaint), 2);
    EXPECT_EQ(ClientPixel(window, 10, 10), kWhite);
    EXPECT_EQ(ClientPixel(window, 29, 19), kWhite);
    EXPECT_EQ(ClientPixel(window, 30, 19), kGreen);
    EXPECT_EQ(ClientPixel(window, 29, 20), kGreen);
    EXPECT_EQ(ClientPixel(window, 9, 10), kGreen);

    PumpMessages(); // nothing is left to paint
    EXPECT_EQ(CountOf(MessagePaint), 2);

    // Empty, crossed and off-client areas ask for nothing.
    for (const Rect nothing : {Rect{10, 10, 10, 20}, Rect{30, 20, 10, 10}, Rect{-50, -50, 0, 0}}) {
        InvalidateArea(window, &nothing, true);
        PumpMessages();
    }
    EXPECT_EQ(CountOf(MessagePaint), 2);
    EXPECT_EQ(ClientPixel(window, 10, 10), kWhite);
    EXPECT_EQ(ClientPixel(window, 9, 10), kGreen);
}

TEST_F(WindowLifeTest, ResizingRepaintsAllOfAKindThatAsksForIt)
{
    ASSERT_NE(Make("PlatformTestRedraw"), nullptr);
    testScript.paint = [](AppWindow* w, DrawSurface* s) { FillClient(w, s, kGreen); };
    PumpMessages();
    testScript.paint = nullptr;
    UserResizeClient(window, 300, 200);
    PumpMessages();
    const Rect client = GetClientArea(window);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(ClientPixel(window, 5, 5), kWhite); // the whole area was erased and repainted
}

TEST_F(WindowLifeTest, GrowingAPlainKindPaintsOnlyTheNewArea)
{
    ASSERT_NE(Make(), nullptr);
    testScript.paint = [](AppWindow* w, DrawSurface* s) { FillClient(w, s, kGreen); };
    UserResizeClient(window, 200, 100);
    PumpMessages();
    testScript.paint = nullptr;
    UserResizeClient(window, 250, 100);
    testScript.paint = [](AppWindow* w, DrawSurface* s) { FillClient(w, s, MakeColor(1, 2, 3)); };
    PumpMessages();
    EXPECT_EQ(ClientPixel(window, 199, 50), kGreen);
    EXPECT_EQ(ClientPixel(window, 200, 50), MakeColor(1, 2, 3));
}

TEST_F(WindowLifeTest, DoubleClicksArriveAsPressesUnlessTheKindWantsThem)
{
    ASSERT_NE(Make(), nullptr);
    UserDoubleClick(window, 4, 5);
    EXPECT_EQ(CountOf(MessageLButtonDown), 2);
    EXPECT_EQ(CountOf(MessageLButtonUp), 2);
    EXPECT_EQ(CountOf(MessageLButtonDoubleClick), 0);
    UserCloseWindow(window);

    testScript.log.clear();
    ASSERT_NE(Make("PlatformTestRedraw"), nullptr);
    UserDoubleClick(window, 4, 5);
    EXPECT_EQ(CountOf(MessageLButtonDown), 1);
    EXPECT_EQ(CountOf(MessageLButtonDoubleClick), 1);
    EXPECT_EQ(CountOf(MessageLButtonUp), 2);
}

TEST_F(WindowLifeTest, KeysArriveWithTheirKeyCodes)
{
    ASSERT_NE(Make(), nullptr);
    for (int32_t code : {0, 1, int('A'), int('7'), 0x1B, 0x0D, 0x70, 0x25}) {
        testScript.log.clear();
        UserKey(window, code);
        ASSERT_EQ(CountOf(MessageKeyDown), 1) << code;
        EXPECT_EQ(testScript.log.back().p1, uintptr_t(code));
    }
}

// F10 and Alt belong to the menu bar, as on other desktops, and never reach
// the procedure: F10 opens the first menu, Alt alone moves the keyboard to
// the menu bar and back.
TEST_F(WindowLifeTest, F10OpensTheFirstMenuAndAltAloneMovesToTheMenuBar)
{
    static const WindowKind withMenu = {"PlatformTestMenu", TestWindowProc, &kMainMenu, true, false};
    ASSERT_TRUE(RegisterWindowKind(&withMenu));
    ASSERT_NE(Make("PlatformTestMenu"), nullptr);
    ShowWindowMaximized(window);
    PumpMessages();
    ASSERT_EQ(KeyboardFocus(window), "client");
    testScript.log.clear();

    UserKey(window, 0x79); // F10
    EXPECT_EQ(KeyboardFocus(window), "menu: &File");
    // Escape closes the menu and leaves its title highlighted; again, leaves the bar.
    UserKey(window, 0x1B);
    EXPECT_EQ(KeyboardFocus(window), "menu bar: &File");
    UserKey(window, 0x1B);
    EXPECT_EQ(KeyboardFocus(window), "client");

    UserTapAlt(window);
    EXPECT_EQ(KeyboardFocus(window), "menu bar: &File");
    UserTapAlt(window);
    EXPECT_EQ(KeyboardFocus(window), "client");
    EXPECT_EQ(CountOf(MessageKeyDown), 0);
}

TEST_F(WindowLifeTest, MenuBarFollowsTheResourceAndSendsItsIds)
{
    static const WindowKind withMenu = {"PlatformTestMenu", TestWindowProc, &kMainMenu, true, false};
    ASSERT_TRUE(RegisterWindowKind(&withMenu));
    ASSERT_NE(Make("PlatformTestMenu"), nullptr);
    char description[1024];
    WindowMenuDescription(window, description, sizeof description);
    EXPECT_EQ(std::string(description),
              "&File| Save image as...|32771\n"
              "&File|-|0\n"
              "&File| E&xit|105\n"
              " Processing| Create vector series|32772\n"
              " Processing| Repeat|32773\n"
              " Processing| Search|32774\n"
              "&Help|&About ...|104\n");

    EXPECT_TRUE(UserChooseMenuItem(window, " Processing", " Repeat"));
    ASSERT_EQ(CountOf(MessageCommand), 1);
    EXPECT_EQ(testScript.log.back().p1 & 0xFFFF, uintptr_t(IDM_REPEAT));
    EXPECT_FALSE(UserChooseMenuItem(window, "Processing", " Repeat")); // texts must match exactly
    EXPECT_FALSE(UserChooseMenuItem(window, "&File", "Exit"));
    EXPECT_EQ(CountOf(MessageCommand), 1);

    // A command the procedure leaves to the default does nothing; a close does.
    EXPECT_TRUE(UserChooseMenuItem(window, "&File", " E&xit"));
    EXPECT_EQ(testScript.log.back().p1, uintptr_t(IDM_EXIT));
    EXPECT_EQ(LiveWindowCount(), livingBefore + 1);
}

TEST_F(WindowLifeTest, TheMessageLoopEndsWithThePostedCode)
{
    PostQuit(7);
    EXPECT_EQ(RunMessageLoop(), 7);

    ResetPostedQuit();
    ASSERT_NE(Make(), nullptr);
    testScript.quitCode = 3;
    // The loop runs until the window, closed during a paint, posts its quit.
    testScript.paint = [](AppWindow* w, DrawSurface*) { UserCloseWindow(w); };
    InvalidateArea(window, nullptr, false);
    EXPECT_EQ(RunMessageLoop(), 3);
    int code = 0;
    EXPECT_TRUE(QuitWasPosted(&code));
    EXPECT_EQ(code, 3);
    EXPECT_EQ(LiveWindowCount(), livingBefore);
    ResetPostedQuit();
    EXPECT_FALSE(QuitWasPosted(&code));
}

// The program beside the test programs, started with no display at all.
TEST(ProgramStart, WithoutADisplayItSaysWhyAndFails)
{
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    std::string program(self, std::size_t(length));
    program = program.substr(0, program.rfind('/'));
    program = program.substr(0, program.rfind('/')) + "/kestrand_vectors_subset";
    if (access(program.c_str(), X_OK) != 0)
        GTEST_SKIP() << "the program is not built beside the tests";
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + program + " 2>&1";
    FILE* output = popen(command.c_str(), "r");
    ASSERT_NE(output, nullptr);
    std::string said;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, output))
        said += chunk;
    const int status = pclose(output);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_NE(said.find("Kestrand Vectors Subset needs a graphical display"), std::string::npos) << said;
    EXPECT_NE(said.find("QT_QPA_PLATFORM=offscreen"), std::string::npos) << said;
}

} // namespace
