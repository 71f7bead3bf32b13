// A whole branch agent over a program folder, as the headless runner builds
// it: the connector of servers.txt, start-up with a site id, and the sync
// cycle with the real central connection. Tests tick it and look at the
// databases.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "cycle/sync_cycle.h"
#include "support/agent_harness.h"
#include "transfer/agent_context.h"

namespace velmora::testing {

class AgentRun {
 public:
  // Wraps the agent's connector, e.g. in a fault-injecting decorator.
  using ConnectorWrapper = std::function<std::shared_ptr<Connector>(std::shared_ptr<Connector>)>;

  // Runs start-up on `home` with QVID = `qvid`. Fails the test's assertion
  // (throws std::runtime_error) when start-up reports a message.
  AgentRun(const std::filesystem::path& home, std::string qvid,
           ConnectorWrapper wrap = nullptr);

  void tick() { cycle_->tick(); }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) tick();
  }

  AgentContext& context() { return *context_; }
  RecordingView view;

 private:
  std::unique_ptr<AgentContext> context_;
  std::unique_ptr<SyncCycle> cycle_;
};

}  // namespace velmora::testing
