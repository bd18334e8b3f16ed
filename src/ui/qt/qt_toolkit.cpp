// The Linux window part: Qt 6 Widgets behind WindowToolkit.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <atomic>

#include "ui/qt/about_box.h"
#include "ui/qt/client_settings_dialog.h"
#include "ui/qt/client_window.h"
#include "ui/qt/dialog_parts.h"
#include "ui/qt/server_settings_dialog.h"
#include "ui/qt/resident_window.h"
#include "ui/qt/server_status_window.h"
#include "ui/qt/widget_probe.h"
#include "ui/qt/window_carrier_qt.h"
#include "ui/server_view_relay.h"
#include "ui/qt_entry.h"

namespace ui::qt {
namespace {

BramleNoDisplayHandler noDisplay = nullptr;

// The resident window that runs now (window thread only), and a request to
// end it that came before it ran.
ResidentWindowQt* runningResident = nullptr;
std::atomic<bool> residentEndRequested{false};

// Qt ends the process when it cannot reach the window system; the core
// program says why instead.
void StartUpMessages(QtMsgType type, const QMessageLogContext&, const QString&) {
  if (type == QtFatalMsg) noDisplay();
}

class QtToolkit : public WindowToolkit {
 public:
  bool RunClientSettings(ClientSettingsForm& form, const ProbeScript& probe) override {
    ClientSettingsDialog dialog(form);
    if (!RunDialog(dialog, probe)) return false;
    dialog.Read(form);
    return true;
  }
  bool RunServerSettings(ServerSettingsForm& form, const ProbeScript& probe) override {
    ServerSettingsDialog dialog(form);
    if (!RunDialog(dialog, probe)) return false;
    dialog.Read(form);
    return true;
  }
  void RunAboutBox(const std::string& version, const ProbeScript& probe) override {
    AboutBox box(version);
    RunDialog(box, probe);
  }
  void RunServerStatus(ServerControls& controls, bool sendRequest, const ServerStart& started,
                       const WindowEnded& ended, const ProbeScript& probe) override {
    ServerStatusWindow window(controls, sendRequest);
    RunWithView<ServerViewRelay>(window, started, ended, probe);
  }
  void RunClientWindow(const ClientStart& started, const WindowEnded& ended, const ProbeScript& probe) override {
    ClientWindow window;
    RunWithView<ClientViewRelay>(window, started, ended, probe);
  }
  void RunResident(ResidentClient& client, const std::string& version, const ClientStart& started,
                   const WindowEnded& ended, const ProbeScript& probe) override {
    // The resident window lives on when its status window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    ClientWindow window;
    QtWindowCarrier carrier(window);
    ResidentWindowQt resident(client, window, *this, version);
    PopupClientView popup(window, client, resident);
    ClientViewRelay view(popup, carrier);
    runningResident = &resident;
    QTimer::singleShot(0, &window, [&] {
      if (residentEndRequested || (started && !started(view))) resident.Exit();
    });
    resident.Run(probe);
    runningResident = nullptr;
    residentEndRequested = false;
    window.hide();
    carrier.Close();
    if (ended) ended();
  }
  void EndResident() override {
    residentEndRequested = true;
    QMetaObject::invokeMethod(qApp, [] {
      if (runningResident) runningResident->Exit();
    }, Qt::QueuedConnection);
  }

 private:
  // Runs `window`; `started` gets the view whose calls are carried to it.
  template <typename Relay, typename Window, typename Start>
  static void RunWithView(Window& window, const Start& started, const WindowEnded& ended, const ProbeScript& probe) {
    QtWindowCarrier carrier(window);
    Relay view(window, carrier);
    QTimer::singleShot(0, &window, [&] {
      // Closed from the event loop, which may not be running yet.
      if (started && !started(view)) QMetaObject::invokeMethod(&window, &QDialog::reject, Qt::QueuedConnection);
    });
    RunDialog(window, probe);
    carrier.Close();
    if (ended) ended();
  }
};

}  // namespace
}  // namespace ui::qt

extern "C" __attribute__((visibility("default"))) ui::WindowToolkit* BramleQtToolkit(int interfaceVersion,
                                                                                    BramleNoDisplayHandler noDisplay) {
  if (interfaceVersion != kBramleQtInterfaceVersion) return nullptr;
  static int argc = 1;
  static char name[] = "bramle";
  static char* argv[] = {name, nullptr};
  ui::qt::noDisplay = noDisplay;
  const QtMessageHandler previous = qInstallMessageHandler(ui::qt::StartUpMessages);
  // Never destroyed: at the process's end Qt's own globals may already be
  // gone, and the system reclaims everything anyway.
  static QApplication* const application = new QApplication(argc, argv);
  qInstallMessageHandler(previous);
  QApplication::setWindowIcon(ui::qt::ProgramIcon());
  // The standard dialogs (the file dialog behind 参照) in the user's
  // language, where Qt's translations are installed.
  static QTranslator* const translator = new QTranslator;
  if (translator->load(QLocale::system(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    application->installTranslator(translator);
  static ui::qt::QtToolkit toolkit;
  return &toolkit;
}
