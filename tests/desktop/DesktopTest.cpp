// What only a real desktop shows: the editor runs on an X server under a window manager, takes its
// input through the server as from a user, and the test reads back what the screen shows (the
// root window's pixels, as the compositor put them together), not a fresh rendering of a widget.
// scripts/test.sh starts a private X server with a window manager and names it in
// ZOV_TEST_DISPLAY; without it these tests are skipped.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t BlueBoat = 0x2880FF; // the fill of the first racing boat
constexpr std::uint32_t Selected = 0xFF0000; // the fill of the selected object
constexpr int Patience = 5000; // ms an expected picture may take to reach the screen

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> Reply<T> own(T* reply) { return Reply<T>(reply, &std::free); }

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct Point {
    int x = 0, y = 0;
};

// The pixels of part of the screen, as 0xRRGGBB.
struct Shot {
    Rect area;
    std::vector<std::uint32_t> pixels;

    int Count(std::uint32_t colour) const
    {
        int n = 0;
        for (std::uint32_t p : pixels)
            n += (p & 0xFFFFFF) == colour;
        return n;
    }
    std::optional<Point> CentreOf(std::uint32_t colour) const
    {
        // The pixel of that colour nearest to the middle of all of them: a hull is not convex.
        std::vector<Point> found;
        long long sx = 0, sy = 0;
        for (int i = 0; i < int(pixels.size()); ++i)
            if ((pixels[i] & 0xFFFFFF) == colour) {
                found.push_back({ area.x + i % area.w, area.y + i / area.w });
                sx += found.back().x;
                sy += found.back().y;
            }
        if (found.empty())
            return std::nullopt;
        const long long mx = sx / long(found.size()), my = sy / long(found.size());
        return *std::min_element(found.begin(), found.end(), [&](Point a, Point b) {
            return (a.x - mx) * (a.x - mx) + (a.y - my) * (a.y - my) < (b.x - mx) * (b.x - mx) + (b.y - my) * (b.y - my);
        });
    }
};

// The X server as a user and a screenshot tool meet it.
class Display {
public:
    explicit Display(const std::string& name)
        : m_connection(xcb_connect(name.c_str(), nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }
    ~Display() { xcb_disconnect(m_connection); }
    bool Open() const { return m_screen != nullptr; }
    Rect Screen() const { return { 0, 0, m_screen->width_in_pixels, m_screen->height_in_pixels }; }

    xcb_atom_t Atom(const char* name)
    {
        auto reply = own(xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    // The window's property of that type, as 32-bit values or as text.
    std::vector<std::uint32_t> Cardinals(xcb_window_t window, const char* property, xcb_atom_t type)
    {
        auto reply = Property(window, property, type);
        if (!reply || reply->format != 32)
            return {};
        const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        return { values, values + xcb_get_property_value_length(reply.get()) / 4 };
    }
    std::string Name(xcb_window_t window)
    {
        auto reply = Property(window, "_NET_WM_NAME", Atom("UTF8_STRING"));
        if (!reply)
            return {};
        return { static_cast<const char*>(xcb_get_property_value(reply.get())), std::size_t(xcb_get_property_value_length(reply.get())) };
    }
    bool WindowManagerRuns() { return !Cardinals(m_screen->root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty(); }
    // The managed window whose title starts with Prefix.
    std::optional<xcb_window_t> Window(const std::string& prefix)
    {
        for (xcb_window_t w : Cardinals(m_screen->root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW))
            if (Name(w).rfind(prefix, 0) == 0)
                return w;
        return std::nullopt;
    }
    bool Active(xcb_window_t window)
    {
        const auto active = Cardinals(m_screen->root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
        return !active.empty() && active[0] == window;
    }
    // The window's inside on the screen, and the height of the title bar the manager gave it.
    Rect Place(xcb_window_t window, int* titleBar = nullptr)
    {
        auto geometry = own(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
        auto at = own(xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, m_screen->root, 0, 0), nullptr));
        if (!geometry || !at)
            return {};
        if (titleBar) {
            const auto extents = Cardinals(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
            *titleBar = extents.size() == 4 ? int(extents[2]) : 0;
        }
        return { at->dst_x, at->dst_y, geometry->width, geometry->height };
    }

    Shot Take(Rect r)
    {
        const Rect s = Screen();
        r.w = std::min(r.x + r.w, s.w) - std::max(r.x, 0);
        r.h = std::min(r.y + r.h, s.h) - std::max(r.y, 0);
        r.x = std::max(r.x, 0);
        r.y = std::max(r.y, 0);
        Shot shot { r, {} };
        auto image = own(xcb_get_image_reply(m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_screen->root, r.x, r.y, r.w, r.h, ~0u), nullptr));
        if (image && image->depth == 24 && xcb_get_image_data_length(image.get()) == r.w * r.h * 4) {
            const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image.get()));
            shot.pixels.assign(data, data + std::size_t(r.w) * r.h);
        }
        return shot;
    }

    void MoveTo(Point p) { Fake(XCB_MOTION_NOTIFY, 0, p); }
    void Press(int button = 1) { Fake(XCB_BUTTON_PRESS, button); }
    void Release(int button = 1) { Fake(XCB_BUTTON_RELEASE, button); }
    void Click(Point p)
    {
        MoveTo(p);
        Press();
        Release();
    }
    // Ctrl with the key of the given letter.
    void CtrlKey(xcb_keysym_t letter)
    {
        const xcb_keycode_t ctrl = KeyCode(0xFFE3), key = KeyCode(letter);
        Fake(XCB_KEY_PRESS, ctrl);
        Fake(XCB_KEY_PRESS, key);
        Fake(XCB_KEY_RELEASE, key);
        Fake(XCB_KEY_RELEASE, ctrl);
    }

private:
    Reply<xcb_get_property_reply_t> Property(xcb_window_t window, const char* property, xcb_atom_t type)
    {
        return own(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, Atom(property), type, 0, 1024), nullptr));
    }
    void Fake(std::uint8_t type, std::uint8_t detail, Point p = {})
    {
        xcb_test_fake_input(m_connection, type, detail, XCB_CURRENT_TIME, m_screen->root, p.x, p.y, XCB_NONE);
        xcb_flush(m_connection);
        // Handled by the server before the next one: a round trip.
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    xcb_keycode_t KeyCode(xcb_keysym_t sym)
    {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto map = own(xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count), nullptr));
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
        for (int i = 0; i < count * map->keysyms_per_keycode; ++i)
            if (syms[i] == sym)
                return xcb_keycode_t(setup->min_keycode + i / map->keysyms_per_keycode);
        return 0;
    }

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen = nullptr;
};

bool WaitUntil(const std::function<bool()>& done, int ms = Patience)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(30);
    }
    return true;
}

// The editor on the test's display, with an empty diagram (Ctrl+E) in its window.
class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QByteArray name = qgetenv("ZOV_TEST_DISPLAY");
        if (name.isEmpty())
            GTEST_SKIP() << "needs an X server with a window manager, named in ZOV_TEST_DISPLAY (scripts/test.sh starts one)";
        m_display = std::make_unique<Display>(name.toStdString());
        ASSERT_TRUE(m_display->Open()) << "cannot reach the X server " << name.constData();
        ASSERT_TRUE(WaitUntil([&] { return m_display->WindowManagerRuns(); })) << "no window manager runs";

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromUtf8(name));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", m_dir.path());
        env.insert("ZOVARAN_INSTANCE", "zovaran-desktop-" + QString::number(QCoreApplication::applicationPid()));
        m_program.setProcessEnvironment(env);
        m_program.setWorkingDirectory(m_dir.path());
        m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_program.start(ZOVARAN_BINARY, {});
        ASSERT_TRUE(m_program.waitForStarted());

        // The about box of a start without a diagram closes by itself; then the window has the keys.
        std::optional<xcb_window_t> window;
        ASSERT_TRUE(WaitUntil([&] { return (window = m_display->Window("Zovaran")).has_value(); }, 20000));
        WaitUntil([&] { return m_display->Window("About").has_value(); }, 3000);
        ASSERT_TRUE(WaitUntil([&] { return !m_display->Window("About") && m_display->Active(*window); }, 20000));
        m_window = *window;
        m_display->CtrlKey('e');
        ASSERT_TRUE(WaitUntil([&] { return m_display->Name(m_window).rfind("Zovaran:", 0) == 0; })) << "Ctrl+E made no diagram";
        // The new diagram's view may still be fitted to its window once it first shows.
        std::optional<Point> boat, before;
        ASSERT_TRUE(WaitUntil([&] {
            before = boat;
            QThread::msleep(250);
            boat = View().CentreOf(BlueBoat);
            return boat && before && boat->x == before->x && boat->y == before->y;
        })) << "no boat shows where it stays";
        m_boat = *boat;
        m_hull = View().Count(BlueBoat);
    }

    void TearDown() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }

    Shot View() { return m_display->Take(m_display->Place(m_window)); }
    // Around a boat: the tool windows never come so near.
    Shot Around(Point p) { return m_display->Take({ p.x - 150, p.y - 150, 300, 300 }); }
    // Sea in the upper right of the view, clear of the boats and of the tool windows.
    Point Water()
    {
        const Rect r = m_display->Place(m_window);
        return { r.x + r.w * 3 / 4, r.y + 120 };
    }

    // Whether the screen comes to show the boat at P selected (red) or not (blue).
    bool ShowsSelected(Point p)
    {
        return WaitUntil([&] {
            const Shot s = Around(p);
            return s.Count(BlueBoat) == 0 && s.Count(Selected) > m_hull / 2;
        });
    }
    bool ShowsDeselected(Point p)
    {
        return WaitUntil([&] {
            const Shot s = Around(p);
            return s.Count(Selected) == 0 && s.Count(BlueBoat) > m_hull / 2;
        });
    }

    QTemporaryDir m_dir;
    QProcess m_program;
    std::unique_ptr<Display> m_display;
    xcb_window_t m_window = 0;
    Point m_boat;
    int m_hull = 0;
};

} // namespace

// The setup window shows as a boat is selected and hides as the water is clicked, or as its close
// button is: the screen follows each time. A click on the boat right after the close button
// comes soon enough to be a double click.
TEST_F(Desktop, SelectingAndDeselectingABoatShowAtOnce)
{
    for (int round = 1; round <= 8; ++round) {
        m_display->Click(m_boat);
        ASSERT_TRUE(ShowsSelected(m_boat)) << "round " << round << ": the selected boat is not shown selected";
        if (round % 2 == 1)
            m_display->Click(Water());
        else {
            std::optional<xcb_window_t> setup;
            ASSERT_TRUE(WaitUntil([&] { return (setup = m_display->Window("Racing boat setup")).has_value(); }));
            int titleBar = 0;
            const Rect r = m_display->Place(*setup, &titleBar);
            ASSERT_GT(titleBar, 0) << "the setup window has no title bar";
            m_display->Click({ r.x + r.w - titleBar / 2, r.y - titleBar / 2 }); // its close button
        }
        ASSERT_TRUE(ShowsDeselected(m_boat)) << "round " << round << ": the boat still shows selected";
    }
}

// A boat dragged elsewhere shows there, selected, and nowhere else; deselected, it shows there.
TEST_F(Desktop, ADraggedBoatShowsWhereItWasDropped)
{
    Point from = m_boat;
    for (int round = 1; round <= 2; ++round) {
        const Point to { from.x + (round == 1 ? -160 : 160), from.y - 80 };
        m_display->MoveTo(from);
        m_display->Press();
        for (int step = 1; step <= 8; ++step) { // moves are taken ten times a second
            QThread::msleep(120);
            m_display->MoveTo({ from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8 });
        }
        QThread::msleep(120);
        m_display->Release();
        // Where the last move taken left it: a busy machine may have dropped the last ones.
        std::optional<Point> dropped;
        ASSERT_TRUE(WaitUntil([&] { return (dropped = View().CentreOf(Selected)).has_value(); })) << "round " << round;
        ASSERT_GT(std::abs(dropped->x - from.x) + std::abs(dropped->y - from.y), 60) << "round " << round << ": the boat did not move";
        ASSERT_TRUE(ShowsSelected(*dropped)) << "round " << round << ": the dropped boat is not shown selected";
        EXPECT_EQ(Around(from).Count(BlueBoat), 0) << "round " << round << ": the boat still shows where it was";
        m_display->Click(Water());
        ASSERT_TRUE(ShowsDeselected(*dropped)) << "round " << round << ": the boat still shows selected";
        from = *dropped;
    }
}
