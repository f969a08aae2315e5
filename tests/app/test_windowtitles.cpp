// The title bars as a window manager reads them: real X11 windows on a private
// Xvfb (add_unit_test X11), their _NET_WM_NAME and WM_NAME read back from the
// server. Qt adds to a title there what offscreen windows never show, so
// windowTitle() alone cannot tell.
#include <QtGui/qguiapplication_platform.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/korapc.h"
#include "app/programidentity.h"
#include "autoselect/autoselecteditorform.h"
#include "autoselect/tautoselect.h"
#include "poweron/poeditorform.h"
#include "poweron/tpoweron.h"
#include "support/tempdir.h"
#include "support/testservices.h"
#include "ui/qtmessagesink.h"

namespace {

// The property name of window as the X server holds it; empty when unset.
// Asked on Qt's own connection, so the server has handled every request Qt
// made for the window before it answers.
std::string Property(QWidget& window, const char* name) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr) return "(not on X11)";
  xcb_connection_t* connection = x11->connection();
  const auto length = static_cast<uint16_t>(std::strlen(name));
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, length, name), nullptr),
      &std::free);
  if (!atom) return "(no atom)";
  const auto id = static_cast<xcb_window_t>(window.winId());
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, id, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
      xcb_get_property_reply(connection, cookie, nullptr), &std::free);
  if (!reply) return "(no reply)";
  return {static_cast<const char*>(xcb_get_property_value(reply.get())),
          static_cast<size_t>(xcb_get_property_value_length(reply.get()))};
}

struct Titles {
  std::string netWmName;  // UTF-8, what current window managers show
  std::string wmName;     // what older ones show
};

Titles TitlesOf(QWidget& window) {
  return {Property(window, "_NET_WM_NAME"), Property(window, "WM_NAME")};
}

// The titles of the message box the sink shows, read while it is open; the
// box is then closed.
Titles TitlesOfMessageBox(QWidget* parent, const std::string& text, const std::string& caption) {
  Titles seen{"(no box)", "(no box)"};
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    poll.stop();
    seen = TitlesOf(*box);
    box->accept();
  });
  poll.start();
  QtMessageSink(parent).ShowMessage(text, caption, MessageIcon::Stop);
  return seen;
}

class WindowTitleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SetProgramIdentity(); }
  void SetUp() override {
    const PortLister onePort = [] { return std::vector<PortEntry>{{"COM3", ""}}; };
    form = std::make_unique<TKORAPCForm>(nullptr, onePort);
  }

  ScopedConfigHome home;
  std::unique_ptr<TKORAPCForm> form;
};

TEST_F(WindowTitleTest, TitleBarsShowTheCaptionsAndNothingMore) {
  TPowerOn values;
  TAutoSelect entry;
  TestServices fakes;
  struct Case {
    std::function<Titles()> read;
    std::string expected;
  };
  const Case cases[] = {
      {[&] { return TitlesOf(*form); }, "Quorvel KORApc"},
      {[&] {
         TPOEditor editor(values, 0, form.get());
         return TitlesOf(editor);
       },
       "Power On Editor"},
      {[&] {
         TAutoSelectEditor editor(form.get(), entry, 1, fakes.services);
         return TitlesOf(editor);
       },
       "Auto Editor - Auto No. 1"},
      {[&] {
         return TitlesOfMessageBox(form.get(), "Unable to open PC COM Port!", "COM Port Error");
       },
       "COM Port Error"},
  };
  form->show();
  for (const Case& c : cases) {
    const Titles titles = c.read();
    EXPECT_EQ(titles.netWmName, c.expected);
    EXPECT_EQ(titles.wmName, c.expected);
  }
}

TEST_F(WindowTitleTest, TheDesktopKnowsTheProgramByItsDesktopFileAndWindowClass) {
  // No display name of its own: it falls back to the application name.
  EXPECT_EQ(QGuiApplication::applicationDisplayName().toStdString(), "KORApc");
  EXPECT_EQ(QGuiApplication::desktopFileName(), "korapc");
  EXPECT_TRUE(std::filesystem::exists(KORAPC_SOURCE_DIR "/packaging/korapc.desktop"));
  // WM_CLASS: the instance (the executable's name), then the class.
  const std::string wmClass = Property(*form, "WM_CLASS");
  const std::size_t instanceEnd = wmClass.find('\0');
  ASSERT_NE(instanceEnd, std::string::npos) << wmClass;
  EXPECT_EQ(wmClass.substr(instanceEnd + 1), std::string("KORApc") + '\0');
}

}  // namespace
