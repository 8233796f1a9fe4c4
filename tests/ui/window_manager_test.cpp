// The window manager with real windows on the test display: "windowinit"
// timing, mouse routing and capture, notifications, focus, timers, the
// modal loop, painting into the off-screen buffer and layered windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "SkinTestFiles.h"
#include "TestWindow.h"
#include "UiTestSupport.h"
#include "ui/ControlTimers.h"
#include "ui/TabLayoutUI.h"

using namespace ui;

namespace {

// A control that records the events it receives and how often it paints.
class RecordingControl : public CControlUI {
public:
    std::vector<int> events;
    int paints = 0;
    UINT flags = 0;

    int count(int type) const { return static_cast<int>(std::count(events.begin(), events.end(), type)); }
    void do_event(UiEvent& e) override {
        events.push_back(e.type);
        CControlUI::do_event(e);
    }
    bool do_paint(HDC dc, const RECT& area, CControlUI* stop) override {
        ++paints;
        return CControlUI::do_paint(dc, area, stop);
    }
    UINT control_flags() const override { return flags; }
};

// Stands in for a label: its shortcut leads to the control after it.
class RecordingLabel : public RecordingControl {
public:
    const wchar_t* class_name() const override { return L"StandInLabel"; }
};

CControlUI* MakeRecorder(const std::wstring& name) {
    if (name == L"Recorder") return new RecordingControl();
    if (name == L"LabelRecorder") return new RecordingLabel();
    return nullptr;
}

RecordingControl* Recorder(TestWindow& window, const wchar_t* name) {
    return static_cast<RecordingControl*>(window.manager.find_control(name));
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

constexpr const wchar_t* kTwoRecorders =
    LR"(<VerticalLayout><Recorder name="a" height="50" /><Recorder name="b" height="50" /></VerticalLayout>)";

TEST(WindowManagerTest, WindowInitComesOnceAfterTheFirstLayoutAndBeforeDrawing) {
    TestWindow window(kTwoRecorders);
    window.stand_ins.extra = MakeRecorder;
    RECT laid_out_at_init{};
    int paints_at_init = -1;
    window.on_notify = [&](TNotify& note) {
        if (note.type != kNotifyWindowInit) return;
        EXPECT_EQ(note.sender, window.manager.root());
        laid_out_at_init = Recorder(window, L"b")->rect();
        paints_at_init = Recorder(window, L"b")->paints;
    };
    ASSERT_TRUE(window.open());
    window.pump();
    EXPECT_EQ(window.count(kNotifyWindowInit), 1);
    EXPECT_EQ(laid_out_at_init.top, 50) << "laid out before windowinit";
    EXPECT_EQ(paints_at_init, 0) << "nothing drawn before windowinit";
    EXPECT_GT(Recorder(window, L"b")->paints, 0);

    window.manager.invalidate_all();
    window.manager.root()->need_update();
    window.pump();
    EXPECT_EQ(window.count(kNotifyWindowInit), 1) << "later paints raise nothing";

    // A new root gets its own windowinit; the old tree goes away later.
    CSkinBuilder builder;
    CControlUI* second = builder.build(L"<Window><Control name=\"fresh\" /></Window>", nullptr, &window.manager);
    ASSERT_NE(second, nullptr);
    window.manager.attach_root(second);
    EXPECT_EQ(window.manager.find_control(L"a"), nullptr);
    window.pump();
    EXPECT_EQ(window.count(kNotifyWindowInit), 2);
    EXPECT_EQ(window.notes.back().sender, second);
}

TEST(WindowManagerTest, ButtonUpOutsideGoesToTheCapturedControl) {
    TestWindow window(kTwoRecorders);
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    RecordingControl* a = Recorder(window, L"a");
    RecordingControl* b = Recorder(window, L"b");
    EXPECT_EQ(window.manager.find_control_at(POINT{10, 10}), a);
    EXPECT_EQ(window.manager.find_control_at(POINT{10, 60}), b);

    window.send_message(WM_MOUSEMOVE, 0, At(10, 10));
    EXPECT_EQ(a->count(kEventMouseEnter), 1);
    EXPECT_EQ(window.manager.hot_control(), a);
    window.send_message(WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    EXPECT_EQ(a->count(kEventButtonDown), 1);
    EXPECT_EQ(window.manager.captured_control(), a);
    EXPECT_TRUE(window.manager.is_captured());
    window.send_message(WM_MOUSEMOVE, MK_LBUTTON, At(10, 60));
    EXPECT_EQ(b->count(kEventMouseEnter), 0) << "the hot control stays while captured";
    EXPECT_EQ(a->count(kEventMouseMove), 2) << "moves go to the captured control";
    window.send_message(WM_LBUTTONUP, 0, At(10, 60));
    EXPECT_EQ(a->count(kEventButtonUp), 1);
    EXPECT_EQ(b->count(kEventButtonUp), 0);
    EXPECT_EQ(window.manager.captured_control(), nullptr);
    EXPECT_FALSE(window.manager.is_captured());

    window.send_message(WM_MOUSEMOVE, 0, At(10, 60));
    EXPECT_EQ(a->count(kEventMouseLeave), 1);
    EXPECT_EQ(b->count(kEventMouseEnter), 1);
}

TEST(WindowManagerTest, HiddenAndMouseLessControlsAreNotHit) {
    TestWindow window(LR"(<VerticalLayout name="page"><Recorder name="a" height="50" mouse="false" />
                          <Recorder name="hidden" height="50" visible="false" /><Recorder name="b" height="50" /></VerticalLayout>)");
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    EXPECT_EQ(window.manager.find_control_at(POINT{10, 10}), window.manager.find_control(L"page"));
    EXPECT_EQ(window.manager.find_control_at(POINT{10, 60}), Recorder(window, L"b"));
    window.send_message(WM_LBUTTONDOWN, MK_LBUTTON, At(10, 60));
    window.send_message(WM_LBUTTONUP, 0, At(10, 60));
    EXPECT_TRUE(Recorder(window, L"hidden")->events.empty());
}

TEST(WindowManagerTest, AsynchronousNotificationsOfOneTypeAndSenderCoalesce) {
    TestWindow window(kTwoRecorders);
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    window.notes.clear();
    CControlUI* a = window.manager.find_control(L"a");
    CControlUI* b = window.manager.find_control(L"b");
    window.manager.send_notification(a, L"progress", 1, 2, true);
    window.manager.send_notification(a, L"progress", 3, 4, true);
    window.manager.send_notification(b, L"progress", 5, 6, true);
    TNotify repeated;
    repeated.type = L"again";
    repeated.sender = a;
    window.manager.send_notification(repeated, true, true);
    window.manager.send_notification(repeated, true, true);
    EXPECT_TRUE(window.notes.empty()) << "nothing is delivered before the queue is drained";
    window.pump();
    ASSERT_EQ(window.notes.size(), 4u);
    EXPECT_EQ(window.notes[0].sender, a);
    EXPECT_EQ(window.notes[0].wparam, 3u);
    EXPECT_EQ(window.notes[0].lparam, 4);
    EXPECT_EQ(window.notes[1].sender, b);
    EXPECT_EQ(window.count(L"again"), 2) << "repeats allowed";
}

TEST(WindowManagerTest, QueuedNotificationsOfADestroyedControlAreDropped) {
    TestWindow window(kTwoRecorders);
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    window.notes.clear();
    CControlUI* a = window.manager.find_control(L"a");
    a->set_focus();
    window.manager.send_notification(a, L"late", 0, 0, true);
    auto* page = static_cast<IContainerUI*>(window.manager.root()->interface_of(L"IContainer"));
    ASSERT_TRUE(page->remove(a));
    EXPECT_EQ(window.manager.focused_control(), nullptr);
    EXPECT_EQ(window.manager.find_control(L"a"), nullptr);
    window.pump();
    EXPECT_EQ(window.count(L"late"), 0);
}

TEST(WindowManagerTest, ControlTimersStartOnceAndRestartAfterAKill) {
    TestWindow window(kTwoRecorders);
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    RecordingControl* a = Recorder(window, L"a");
    EXPECT_TRUE(window.manager.set_control_timer(a, 4098, 10));
    EXPECT_FALSE(window.manager.set_control_timer(a, 4098, 10)) << "already running";
    ASSERT_TRUE(window.pump_until([&] { return window.count(kNotifyTimer) > 0; }));
    EXPECT_GT(a->count(kEventTimer), 0);
    EXPECT_EQ(window.notes.back().sender, a);
    EXPECT_EQ(window.notes.back().wparam, 4098u);

    EXPECT_TRUE(window.manager.kill_control_timer(a, 4098));
    window.pump();
    window.notes.clear();
    EXPECT_TRUE(window.manager.set_control_timer(a, 4098, 10)) << "a killed timer restarts";
    ASSERT_TRUE(window.pump_until([&] { return window.count(kNotifyTimer) > 0; }));
    window.manager.kill_control_timers(a);
    EXPECT_TRUE(window.manager.set_control_timer(a, 4098, 1000)) << "forgotten, so a new record";
}

TEST(WindowManagerTest, NativeTimerIdsStayBelow255AndNeverMeetTheLayeredTimer) {
    TestWindow window(kTwoRecorders);
    ASSERT_TRUE(window.open());
    CControlTimers timers(window.hwnd());
    CControlUI controls[3];
    ASSERT_TRUE(timers.set(&controls[0], 1, 60000));  // stays running throughout
    for (int i = 0; i < 600; ++i) {
        ASSERT_TRUE(timers.set(&controls[1], static_cast<UINT>(i), 60000));
        timers.kill_all(&controls[1]);
    }
    ASSERT_TRUE(timers.set(&controls[2], 7, 60000));
    int live = 0;
    for (UINT_PTR native = 0; native < 300; ++native) {
        CControlUI* owner = nullptr;
        UINT id = 0;
        if (!timers.find(native, owner, id)) continue;
        ++live;
        EXPECT_LT(native, 255u);
        EXPECT_TRUE((owner == &controls[0] && id == 1) || (owner == &controls[2] && id == 7));
    }
    EXPECT_EQ(live, 2) << "the long-lived timer keeps its own native id";
    CControlUI* owner = nullptr;
    UINT id = 0;
    EXPECT_FALSE(timers.find(kLayeredTimerId, owner, id));
}

// Closing hides first, as the program's windows do, so the window goes at once.
class ModalWindow : public TestWindow {
public:
    using TestWindow::TestWindow;

protected:
    LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam) override {
        if (msg == WM_CLOSE) ::ShowWindow(hwnd(), SW_HIDE);
        return TestWindow::handle_message(msg, wparam, lparam);
    }
};

TEST(WindowManagerTest, ShowModalReturnsTheValueGivenToClose) {
    ModalWindow window(kTwoRecorders);
    ASSERT_TRUE(window.open(200, 200, false));
    window.close(7);
    EXPECT_EQ(window.show_modal(), 7);
    EXPECT_EQ(window.hwnd(), nullptr) << "the window is gone";

    // Closing from a notification while the loop runs.
    ModalWindow second(kTwoRecorders);
    second.on_notify = [&](TNotify& note) {
        if (note.type == kNotifyWindowInit) second.close(42);
    };
    ASSERT_TRUE(second.open(200, 200, false));
    EXPECT_EQ(second.show_modal(), 42);
}

TEST(WindowManagerTest, AControlChangedAtRunTimeIsLaidOutAtTheNextPaint) {
    TestWindow window(LR"(<VerticalLayout><HorizontalLayout name="row" height="40"><Recorder name="a" width="10" />
                          <Recorder name="b" /></HorizontalLayout><Recorder name="below" /></VerticalLayout>)");
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    CControlUI* a = window.manager.find_control(L"a");
    CControlUI* b = window.manager.find_control(L"b");
    EXPECT_EQ(b->rect().left, 10);
    a->set_fixed_width(50);
    EXPECT_TRUE(window.manager.is_update_needed());
    window.pump();
    EXPECT_EQ(a->rect().right, 50);
    EXPECT_EQ(b->rect().left, 50) << "the row laid out again";
    EXPECT_EQ(window.manager.find_control(L"below")->rect().top, 40);
}

TEST(WindowManagerTest, HoverShowsTheTooltipOfTheHotControl) {
    TestWindow window(LR"(<VerticalLayout><Recorder name="a" height="50" tooltip="first&lt;n&gt;second" /></VerticalLayout>)");
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    EXPECT_EQ(window.manager.find_control(L"a")->tooltip(), L"first\r\nsecond");
    window.send_message(WM_MOUSEMOVE, 0, At(10, 10));
    window.send_message(WM_MOUSEHOVER, 0, At(10, 10));
    EXPECT_EQ(Recorder(window, L"a")->count(kEventMouseHover), 1);
    HWND tip = FindWindowW(L"tooltips_class32", nullptr);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(GetWindow(tip, GW_OWNER), window.hwnd());
}

TEST(WindowManagerTest, ShortcutCharacterFocusesAndActivatesItsControl) {
    // The walk runs from the topmost control down (last child first), so
    // the control a label's shortcut leads to is the one written before it.
    TestWindow window(LR"(<VerticalLayout><Recorder name="labelled" height="20" /><LabelRecorder height="20" shortcut="x" />
                          <Recorder name="a" height="20" shortcut="k" /></VerticalLayout>)");
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    MSG alt_k{window.hwnd(), WM_SYSCHAR, L'K', 0, 0, {}};
    EXPECT_TRUE(CWindowManagerUI::pre_translate(&alt_k));
    EXPECT_EQ(window.manager.focused_control(), window.manager.find_control(L"a"));
    MSG alt_x{window.hwnd(), WM_SYSCHAR, L'x', 0, 0, {}};
    EXPECT_TRUE(CWindowManagerUI::pre_translate(&alt_x));
    EXPECT_EQ(window.manager.focused_control(), window.manager.find_control(L"labelled"));
    MSG alt_q{window.hwnd(), WM_SYSCHAR, L'q', 0, 0, {}};
    EXPECT_FALSE(CWindowManagerUI::pre_translate(&alt_q)) << "no control has that shortcut";
}

TEST(WindowManagerTest, FocusMovesWithNotificationsAndSkipsHiddenControls) {
    TestWindow window(LR"(<VerticalLayout><Recorder name="a" height="20" /><Recorder name="b" height="20" />
                          <Recorder name="hidden" height="20" visible="false" /></VerticalLayout>)");
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    window.pump();
    window.notes.clear();
    RecordingControl* a = Recorder(window, L"a");
    RecordingControl* b = Recorder(window, L"b");
    window.manager.set_focused_control(a);
    EXPECT_TRUE(a->is_focused());
    window.manager.set_focused_control(b);
    EXPECT_FALSE(a->is_focused());
    EXPECT_TRUE(b->is_focused());
    ASSERT_EQ(window.notes.size(), 3u);
    EXPECT_EQ(window.notes[0].type, kNotifySetFocus);
    EXPECT_EQ(window.notes[1].type, kNotifyKillFocus);
    EXPECT_EQ(window.notes[1].sender, a);
    EXPECT_EQ(window.notes[2].sender, b);
    window.manager.set_focused_control(Recorder(window, L"hidden"));
    EXPECT_EQ(window.manager.focused_control(), nullptr);
    EXPECT_FALSE(b->is_focused());
}

TEST(WindowManagerTest, TabMovesThroughTabStopsAndWraps) {
    TestWindow window(LR"(<VerticalLayout><Recorder name="a" height="20" /><Recorder name="plain" height="20" />
                          <Recorder name="b" height="20" /></VerticalLayout>)");
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open());
    Recorder(window, L"a")->flags = kFlagTabStop;
    Recorder(window, L"b")->flags = kFlagTabStop;
    window.pump();
    EXPECT_EQ(window.manager.focused_control(), Recorder(window, L"a")) << "the first paint focuses the first tab stop";
    MSG tab{window.hwnd(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(CWindowManagerUI::pre_translate(&tab));
    EXPECT_EQ(window.manager.focused_control(), Recorder(window, L"b"));
    EXPECT_TRUE(CWindowManagerUI::pre_translate(&tab));
    EXPECT_EQ(window.manager.focused_control(), Recorder(window, L"a"));
    window.manager.set_focus_needed(Recorder(window, L"b"));
    window.pump();
    EXPECT_EQ(window.manager.focused_control(), Recorder(window, L"b")) << "deferred focus lands at the next paint";
}

TEST(WindowManagerTest, TabSelectRaisesItsNotificationOnlyOnAChange) {
    TestWindow window(LR"(<TabLayout name="tab"><Control name="p0" /><Control name="p1" /><Control name="p2" /></TabLayout>)");
    ASSERT_TRUE(window.open());
    window.pump();
    auto* tab = static_cast<CTabLayoutUI*>(window.manager.find_control(L"tab")->interface_of(L"TabLayout"));
    ASSERT_NE(tab, nullptr);
    window.notes.clear();
    EXPECT_TRUE(tab->select_item(2));
    EXPECT_FALSE(window.manager.find_control(L"p0")->is_visible());
    EXPECT_FALSE(window.manager.find_control(L"p1")->is_visible());
    EXPECT_TRUE(window.manager.find_control(L"p2")->is_visible());
    ASSERT_EQ(window.count(kNotifyTabSelect), 1);
    auto select = std::find_if(window.notes.begin(), window.notes.end(),
                               [](const TNotify& n) { return n.type == kNotifyTabSelect; });
    EXPECT_EQ(select->wparam, 2u);
    EXPECT_EQ(select->lparam, 0);
    EXPECT_TRUE(tab->select_item(2));
    EXPECT_FALSE(tab->select_item(3));
    EXPECT_EQ(window.count(kNotifyTabSelect), 1);
    window.pump();
    EXPECT_EQ(window.manager.find_control(L"p2")->rect().bottom, 200) << "the new page is laid out";
}

TEST(WindowManagerTest, NameMapKeepsTheLastOfSeveralNamesAndFollowsRenames) {
    TestWindow window(LR"(<VerticalLayout><HorizontalLayout name="twin" height="10"><Control name="inner" /></HorizontalLayout>
                          <Control name="twin" height="10" /></VerticalLayout>)");
    ASSERT_TRUE(window.open());
    CControlUI* twin = window.manager.find_control(L"twin");
    ASSERT_NE(twin, nullptr);
    EXPECT_STREQ(twin->class_name(), L"Control");
    CControlUI* inner = window.manager.find_control(L"inner");
    inner->set_name(L"renamed");
    EXPECT_EQ(window.manager.find_control(L"inner"), nullptr);
    EXPECT_EQ(window.manager.find_control(L"renamed"), inner);
}

TEST(WindowManagerTest, WindowAttributesReachTheManager) {
    TestWindow window(L"<Control />", L"size=\"390,480\" caption=\"0,0,0,-1\" roundcorner=\"6,6\" mininfo=\"100,50\" "
                                      L"defaultfontcolor=\"#FF123456\" unknownthing=\"kept\"");
    ASSERT_TRUE(window.open(10, 10));
    RECT bounds{};
    GetWindowRect(window.hwnd(), &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 390) << "size resizes the window before a root exists";
    EXPECT_EQ(window.manager.caption_rect().bottom, 480) << "-1 reads as the window's height";
    EXPECT_EQ(window.manager.round_corner().cx, 6);
    EXPECT_EQ(window.manager.min_info().cy, 50);
    EXPECT_EQ(window.manager.default_font_color(), 0xFF123456u);
    EXPECT_EQ(window.manager.window_attribute(L"unknownthing"), L"kept");
}

TEST(WindowManagerTest, BackgroundColoursInTheOffscreenBuffer) {
    TestWindow window(LR"(<VerticalLayout bkcolor="FF000000"><Control height="10" bkcolor="FF0C181E" />
                          <Control height="10" bkcolor="0C181E" /><Control height="10" bkcolor="20ffffff" />
                          <Control height="10" bkcolor="FFFF0000" bkcolor2="FF0000FF" />
                          <Control height="20" bordersize="1" /><Control height="20" bordersize="1" bordercolor="FF00FF00" /></VerticalLayout>)");
    ASSERT_TRUE(window.open());
    window.pump();
    const COffscreenBuffer& buffer = window.manager.offscreen();
    ASSERT_TRUE(buffer.ok());
    EXPECT_EQ(buffer.pixel(50, 5), 0xFF0C181Eu) << "an opaque bkcolor fills";
    EXPECT_EQ(buffer.pixel(50, 15), 0xFF000000u) << "a six-digit bkcolor draws nothing";
    EXPECT_NEAR(Red(buffer.pixel(50, 25)), 0x20, 2) << "20ffffff blends to about 12 %";
    EXPECT_GT(Red(buffer.pixel(50, 30)), 0xC0) << "gradient starts at the first colour";
    EXPECT_GT(Blue(buffer.pixel(50, 39)), 0xC0) << "and ends at the second";
    EXPECT_EQ(buffer.pixel(0, 40), 0xFF000000u) << "bordersize without a colour draws no border";
    EXPECT_EQ(buffer.pixel(0, 60) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(buffer.pixel(50, 70), 0xFF000000u);

    // Repainting does not add up translucent colours.
    for (int i = 0; i < 5; ++i) {
        window.manager.invalidate_all();
        window.pump();
    }
    EXPECT_NEAR(Red(buffer.pixel(50, 25)), 0x20, 2);
}

TEST(WindowManagerTest, RoundedBackgroundIsClippedToItsCorners) {
    TestWindow window(LR"(<VerticalLayout><Control height="40" width="40" bkcolor="FFFFFFFF" borderround="20,20" /></VerticalLayout>)");
    ASSERT_TRUE(window.open());
    window.pump();
    const COffscreenBuffer& buffer = window.manager.offscreen();
    EXPECT_EQ(buffer.pixel(0, 0), 0u) << "the corner stays empty";
    EXPECT_EQ(buffer.pixel(20, 20), 0xFFFFFFFFu);
}

TEST(WindowManagerTest, LayeredWindowKeepsEmptyPixelsTransparent) {
    TestWindow window(LR"(<VerticalLayout><Control height="20" bkcolor="FFFF0000" /></VerticalLayout>)",
                      L"size=\"110,185\" layeredimage=\"\" caption=\"0\"");
    window.stand_ins.extra = MakeRecorder;
    ASSERT_TRUE(window.open(110, 185));
    EXPECT_TRUE(window.manager.is_layered());
    EXPECT_TRUE(GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
    ASSERT_TRUE(window.pump_until([&] { return window.manager.offscreen().ok() && window.count(kNotifyWindowInit); }));
    window.pump_until([&] { return window.manager.offscreen().pixel(5, 5) != 0; });
    EXPECT_EQ(window.manager.offscreen().pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(window.manager.offscreen().pixel(5, 100), 0u) << "nothing drawn there: transparent";
}

}  // namespace
