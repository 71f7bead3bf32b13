// A branch agent over a sample company laid out as embedded servers in a
// temporary folder, for tests that run real steps and ticks.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cycle/cycle_view.h"
#include "sample_company.h"
#include "transfer/agent_context.h"

namespace velmora::testing {

// Records what the cycle shows.
class RecordingView : public CycleView {
 public:
  void showServerCaption(const std::string& caption) override { captions.push_back(caption); }
  void showStepStatus(const std::string& status) override { statuses.push_back(status); }
  void showErrorRows(const std::vector<ErrorDisplayRow>& rows) override {
    errorRows = rows;
    ++refreshes;
  }
  void reportUnloggedFailure(const Failure& failure) override {
    unlogged.push_back(failure.description());
  }
  void stepMoved(const std::string& table, const std::string& direction, long long rows) override {
    moved.push_back(table + " " + direction + " " + std::to_string(rows));
  }

  std::vector<std::string> captions;
  std::vector<std::string> statuses;
  std::vector<ErrorDisplayRow> errorRows;
  std::vector<std::string> unlogged;
  std::vector<std::string> moved;
  int refreshes = 0;
};

// A unique empty folder under the system's temporary folder, removed when
// the object goes away (unless VELMORA_KEEP_TEMP is set).
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The default test company: branch `branchNo` with head office HO1 (prefix
// HOA, branch 1) reached by name.
sample::CompanyLayout defaultLayout(const std::filesystem::path& home, std::int16_t branchNo = 7,
                                    bool sampleRows = false);

class AgentHarness {
 public:
  // Lays out `layout` and opens the branch's two local connections with the
  // settings start-up would read (site id "0012" unless given).
  explicit AgentHarness(sample::CompanyLayout layout, std::string siteId = "0012");

  // Opens the central connections of head office `index` of the layout and
  // sets the cycle state as the driver does before the steps.
  void connectHeadOffice(std::size_t index = 0);

  AgentContext& context() { return *context_; }
  const sample::CompanyLayout& layout() const { return layout_; }

  // Database files.
  std::filesystem::path branchMain() const;
  std::filesystem::path branchYear() const;
  std::filesystem::path headOfficeMain(std::size_t index = 0) const;
  std::filesystem::path headOfficeYear(std::size_t index = 0) const;

  // Rows of ERRTABLE at the branch (Module, MESSAGE).
  std::vector<std::vector<std::string>> branchErrorRows() const;

  RecordingView view;

 private:
  sample::CompanyLayout layout_;
  std::unique_ptr<AgentContext> context_;
};

// Reads servers.txt of `home` into embedded server entries.
std::vector<std::pair<std::string, std::filesystem::path>> readServersFile(
    const std::filesystem::path& home);

}  // namespace velmora::testing
