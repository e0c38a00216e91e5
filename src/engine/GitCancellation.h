#pragma once

#include <QMetaType>
#include <atomic>
#include <memory>

namespace tolvane {

// A flag shared between the interface thread, which raises it when the user cancels, and the
// worker that waits on git, which then ends the process and its children.
class GitCancellation {
public:
    GitCancellation() : m_flag(std::make_shared<std::atomic_bool>(false)) {}

    void cancel() const { m_flag->store(true); }
    bool isCancelled() const { return m_flag->load(); }

private:
    std::shared_ptr<std::atomic_bool> m_flag;
};

} // namespace tolvane
