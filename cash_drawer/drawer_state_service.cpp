#include "cash_drawer/drawer_state_service.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace kestro {

// Shared by the service and its threads.
struct DrawerStateService::State {
  struct Pending {
    DrawerStateCall call;
    Answer answer;
  };

  DrawerStateBackend backend;
  UiTaskRunner* runner = nullptr;  // not used once `closing` is set
  Limits limits;
  ChannelLocks locks;
  std::atomic<bool> closing{false};

  std::mutex mutex;
  std::condition_variable threads_ended;
  std::map<uint64_t, Pending> pending;  // not answered yet; guarded by mutex
  std::deque<uint64_t> queue;           // not started yet; guarded by mutex
  uint64_t next_id = 0;                 // guarded by mutex
  int threads = 0;                      // running; guarded by mutex

  std::mutex observer_mutex;
  DrawerReadingObserver* observer = nullptr;  // guarded by observer_mutex

  // On a thread of the service: tells the observer of a reading of the
  // drawer of `printer_name` that found its state.
  void Tell(const std::u16string& printer_name, const DrawerReading& reading) {
    if (reading.state == DrawerState::kUnknown) return;
    const int64_t now_ms = backend.clock->NowMs();
    std::lock_guard<std::mutex> lock(observer_mutex);
    if (observer != nullptr) observer->DrawerRead(printer_name, reading.state, now_ms);
  }

  // On the UI thread: answers call `id`, unless it has been answered.
  void Deliver(uint64_t id, const DrawerStateOutcome& outcome) {
    Answer answer;
    {
      std::lock_guard<std::mutex> lock(mutex);
      auto found = pending.find(id);
      if (found == pending.end()) return;
      answer = std::move(found->second.answer);
      pending.erase(found);
    }
    answer(outcome);
  }
};

namespace {

using State = DrawerStateService::State;

// Takes the next call waiting; false when the thread is to end.
bool TakeNext(State& state, uint64_t* id, DrawerStateCall* call) {
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.closing || state.queue.empty()) {
    --state.threads;
    state.threads_ended.notify_all();
    return false;
  }
  *id = state.queue.front();
  state.queue.pop_front();
  *call = state.pending.at(*id).call;
  return true;
}

// One thread of the service: carries calls out until none is waiting, and
// posts each answer to the UI thread while the service lives.
void Work(std::shared_ptr<State> state) {
  uint64_t id = 0;
  DrawerStateCall call;
  while (TakeNext(*state, &id, &call)) {
    const EachReading tell = [&state, &call](const DrawerReading& reading) {
      state->Tell(call.printer.name, reading);
    };
    DrawerStateOutcome outcome =
        CarryOutDrawerStateCall(call, state->backend, &state->locks, &state->closing, tell);
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->closing) continue;
    // A task the UI thread refuses leaves the call pending, to be answered
    // as "closing" by the destructor.
    state->runner->PostTask([state, id, outcome] { state->Deliver(id, outcome); });
  }
}

}  // namespace

DrawerStateService::DrawerStateService(DrawerStateBackend backend, UiTaskRunner& runner)
    : DrawerStateService(std::move(backend), runner, Limits()) {}

DrawerStateService::DrawerStateService(DrawerStateBackend backend, UiTaskRunner& runner,
                                       Limits limits, DrawerReadingObserver* observer)
    : state_(std::make_shared<State>()) {
  state_->backend = std::move(backend);
  state_->runner = &runner;
  state_->limits = limits;
  state_->observer = observer;
}

DrawerStateService::~DrawerStateService() {
  {
    std::lock_guard<std::mutex> lock(state_->observer_mutex);
    state_->observer = nullptr;
  }
  std::map<uint64_t, State::Pending> left;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->closing = true;
    left.swap(state_->pending);
    state_->queue.clear();
  }
  for (auto& [id, pending] : left) pending.answer(UnreadOutcome(pending.call, kClosingReason));
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->threads_ended.wait_for(lock, std::chrono::milliseconds(state_->limits.teardown_grace_ms),
                                 [this] { return state_->threads == 0; });
}

void DrawerStateService::Start(DrawerStateCall call, Answer answer) {
  uint64_t id = 0;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    id = state_->next_id++;
    state_->pending.emplace(id, State::Pending{call, std::move(answer)});
    state_->queue.push_back(id);
    if (state_->threads >= state_->limits.max_threads) return;
    ++state_->threads;
  }
  try {
    std::thread(Work, state_).detach();
  } catch (const std::system_error& error) {
    State::Pending refused;
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      --state_->threads;
      // Another thread takes the call when there is one.
      if (state_->threads > 0) return;
      refused = std::move(state_->pending.at(id));
      state_->pending.erase(id);
      state_->queue.erase(std::find(state_->queue.begin(), state_->queue.end(), id));
    }
    refused.answer(
        UnreadOutcome(refused.call, std::string("no thread could be started: ") + error.what()));
  }
}

SettingsStore* DrawerStateService::settings() const { return state_->backend.settings.get(); }

}  // namespace kestro
