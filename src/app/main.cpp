// velmora-agent: the replication agent of a branch. Runs start-up, then the
// window (the operator's view) or, with --headless, the same cycle without a
// window.
#include <charconv>
#include <clocale>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cycle/sync_cycle.h"
#include "shell/backend_router.h"
#include "shell/central_connection.h"
#include "shell/headless_runner.h"
#include "shell/program_folder.h"
#include "shell/startup.h"
#include "shell/status_output.h"
#include "shell/status_report.h"
#include "transfer/text_rules.h"
#include "transfer/agent_context.h"
#include "transfer/failure.h"

#if VELMORA_WITH_WINDOW
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "shell/agent_window.h"
#elif VELMORA_WITH_WIN32_WINDOW
#include "shell/win32_window.h"
#endif

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif

namespace {

using velmora::shell::HeadlessOptions;

constexpr std::string_view kUsage =
    "Usage: velmora-agent [--home DIR] [--headless] [--ticks N] [--interval-ms MS]\n"
    "       velmora-agent [--home DIR] --status [--json]\n"
    "\n"
    "Keeps a branch's main and financial-year databases in step with its head offices.\n"
    "\n"
    "  --home DIR         the program folder holding jewellers.txt, year.txt and\n"
    "                     servers.txt (default: the folder of this program)\n"
    "  --headless         run without a window: tick until --ticks ticks have run\n"
    "                     or SIGINT/SIGTERM arrives, printing progress on stdout\n"
    "  --ticks N          with --headless: stop after N ticks\n"
    "  --interval-ms MS   with --headless: milliseconds between ticks (default 5000)\n"
    "  --status           print what waits to be moved, per table and head office,\n"
    "                     without writing anything; exit 0 when every head office\n"
    "                     was reached, 3 when one or more were not\n"
    "  --json             with --status: print it as one JSON document\n"
    "  --help             show this text and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "The environment variable QVID names the site.\n";

struct CommandLine {
  std::optional<std::filesystem::path> home;
  bool headless = false;
  bool status = false;
  bool json = false;
  bool headlessOptionGiven = false;
  HeadlessOptions headlessOptions;
  bool help = false;
  bool version = false;
  std::string error;
};

std::optional<int> readCount(std::string_view text) {
  int value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

CommandLine parseCommandLine(int argc, char** argv) {
  CommandLine line;
  std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::optional<std::string_view> inlineValue;
    if (arg.starts_with("--") && arg.find('=') != std::string_view::npos) {
      inlineValue = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
    }
    auto value = [&]() -> std::optional<std::string_view> {
      if (inlineValue) return inlineValue;
      if (i + 1 < args.size()) return args[++i];
      line.error = std::string(arg) + " needs a value";
      return std::nullopt;
    };
    const bool isSwitch = arg == "--help" || arg == "-h" || arg == "--version" ||
                          arg == "--headless" || arg == "--status" || arg == "--json";
    if (isSwitch && inlineValue) {
      line.error = std::string(arg) + " takes no value";
    } else if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else if (arg == "--headless") {
      line.headless = true;
    } else if (arg == "--status") {
      line.status = true;
    } else if (arg == "--json") {
      line.json = true;
    } else if (arg == "--home") {
      if (auto v = value()) line.home = std::filesystem::path(std::string(*v));
    } else if (arg == "--ticks") {
      line.headlessOptionGiven = true;
      if (auto v = value()) {
        if (auto n = readCount(*v)) line.headlessOptions.ticks = *n;
        else line.error = "--ticks takes a whole number, not \"" + std::string(*v) + "\"";
      }
    } else if (arg == "--interval-ms") {
      line.headlessOptionGiven = true;
      if (auto v = value()) {
        if (auto n = readCount(*v)) line.headlessOptions.intervalMs = *n;
        else line.error = "--interval-ms takes a whole number, not \"" + std::string(*v) + "\"";
      }
    } else {
      line.error = "unknown argument \"" + std::string(arg) + "\"";
    }
    if (!line.error.empty()) break;
  }
  if (line.error.empty() && line.json && !line.status) line.error = "--json goes with --status";
  if (line.error.empty() && line.status && (line.headless || line.headlessOptionGiven)) {
    line.error = "--status runs no ticks: it takes no --headless, --ticks or --interval-ms";
  }
  return line;
}

// The caption as one line: its run of blanks shortened.
std::string shortCaption(const std::string& caption) {
  std::string out;
  for (char c : caption) {
    if (c == ' ' && out.size() >= 2 && out.back() == ' ' && out[out.size() - 2] == ' ') continue;
    out += c;
  }
  return out;
}

// Builds the connector and runs start-up. Returns the start-up result.
velmora::shell::StartupResult startAgent(std::unique_ptr<velmora::AgentContext>& context,
                                         const std::filesystem::path& home) {
  std::shared_ptr<velmora::Connector> connector;
  try {
    connector = velmora::shell::makeAgentConnector(home);
  } catch (const velmora::Failure& failure) {
    // Start-up checks QVID before any settings file: its message comes first.
    namespace shell = velmora::shell;
    if (!shell::isUsableSiteId(shell::siteIdFromQvid(
            shell::processEnvironment(shell::kSiteEnvironmentVariable)))) {
      return shell::StartupResult::failure(std::string(shell::kInvalidQvidMessage));
    }
    return velmora::shell::StartupResult::failure(failure.description());
  }
  context = std::make_unique<velmora::AgentContext>(connector);
  return velmora::shell::runStartup(*context, {home});
}

int runHeadlessAgent(const std::filesystem::path& home, const HeadlessOptions& options) {
  std::unique_ptr<velmora::AgentContext> context;
  auto started = startAgent(context, home);
  if (!started.ok) {
    std::cout << std::flush;
    std::cerr << started.message << std::endl;
    return 1;
  }
  velmora::shell::HeadlessView view(std::cout, std::cerr);
  view.skipEarlierRows(*context);
  velmora::SyncCycle cycle(*context, view, velmora::shell::connectCentral);
  return velmora::shell::runHeadless(cycle, options, [&] {
    std::cout << shortCaption(started.caption) << '\n'
              << "site " << context->settings.siteId << ", branch " << context->settings.branchNo
              << ", " << context->headOffices.size()
              << (context->headOffices.size() == 1 ? " head office" : " head offices")
              << ", a tick every " << options.intervalMs << " ms" << std::endl;
  });
}

// Prints the status report; 0 when every head office was reached and
// counted, 3 when one or more were not, 1 when start-up or a count at the
// branch failed.
int runStatus(const std::filesystem::path& home, bool json) {
  std::unique_ptr<velmora::AgentContext> context;
  auto started = startAgent(context, home);
  if (!started.ok) {
    std::cerr << started.message << std::endl;
    return 1;
  }
  velmora::shell::StatusReport report;
  try {
    report = velmora::shell::collectStatusReport(*context);
  } catch (const velmora::Failure& failure) {
    std::cerr << failure.description() << std::endl;
    return 1;
  } catch (const std::exception& error) {
    std::cerr << error.what() << std::endl;
    return 1;
  }
  if (json) velmora::shell::writeStatusJson(std::cout, report);
  else velmora::shell::writeStatusTable(std::cout, report);
  std::cout << std::flush;
  return report.everyHeadOfficeReached() ? 0 : 3;
}

#if VELMORA_WITH_WINDOW
// Saves a picture of the window when VELMORA_SCREENSHOT names a file, after
// VELMORA_SCREENSHOT_TICKS ticks (default 0) and VELMORA_SCREENSHOT_DELAY_MS
// (default 500), then quits. Used by scripts/screenshot.
void scheduleScreenshot(QApplication& app, velmora::shell::AgentWindow& window) {
  auto file = velmora::shell::processEnvironment("VELMORA_SCREENSHOT");
  if (!file || file->empty()) return;
  int ticks = readCount(velmora::shell::processEnvironment("VELMORA_SCREENSHOT_TICKS").value_or("0"))
                  .value_or(0);
  int delay =
      readCount(velmora::shell::processEnvironment("VELMORA_SCREENSHOT_DELAY_MS").value_or("500"))
          .value_or(500);
  QTimer::singleShot(delay, &window, [&app, &window, ticks, path = *file] {
    for (int i = 0; i < ticks; ++i) window.runTick();
    bool saved = window.grab().save(QString::fromStdString(path));
    if (!saved) std::cerr << "cannot save the screenshot to " << path << std::endl;
    app.exit(saved ? 0 : 1);
  });
}

int runWindowAgent(int argc, char** argv, const std::filesystem::path& home) {
  QApplication app(argc, argv);
  // The toolkit has just adopted the user's locale; the database drivers format
  // and read numbers through the C library, which must keep the decimal point.
  std::setlocale(LC_NUMERIC, "C");
  std::unique_ptr<velmora::AgentContext> context;
  auto started = startAgent(context, home);
  if (!started.ok) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VELMORA"),
                    QString::fromStdString(started.message), QMessageBox::Ok);
    box.exec();
    return 1;
  }
  velmora::shell::AgentWindow window(*context, velmora::shell::connectCentral, started.caption);
  window.show();
  scheduleScreenshot(app, window);
  return app.exec();
}
#elif VELMORA_WITH_WIN32_WINDOW
int runWindowAgent(int, char**, const std::filesystem::path& home) {
  std::unique_ptr<velmora::AgentContext> context;
  auto started = startAgent(context, home);
  if (!started.ok) {
    velmora::shell::showStartupMessage(started.message);
    return 1;
  }
  velmora::shell::Win32AgentWindow window(*context, velmora::shell::connectCentral, started.caption);
  window.show();
  return velmora::shell::runWindowLoop(window);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  CommandLine line = parseCommandLine(argc, argv);
  if (!line.error.empty()) {
    std::cerr << "velmora-agent: " << line.error << "\n\n" << kUsage;
    return 2;
  }
  if (line.help) {
    std::cout << kUsage;
    return 0;
  }
  if (line.version) {
    std::cout << "velmora-agent " << VELMORA_VERSION << '\n';
    return 0;
  }
  std::filesystem::path home = line.home.value_or(velmora::shell::programFolder(argv[0]));
  if (line.status) return runStatus(home, line.json);
  if (line.headless) return runHeadlessAgent(home, line.headlessOptions);
#if VELMORA_WITH_WINDOW || VELMORA_WITH_WIN32_WINDOW
  return runWindowAgent(argc, argv, home);
#else
  std::cerr << "velmora-agent: built without its window; run it with --headless" << std::endl;
  return 1;
#endif
}
