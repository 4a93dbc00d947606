// SPDX-License-Identifier: MIT
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <type_traits>
#include <utility>

namespace korvel::gui {

/// Runs `work` on the thread of `context` (the GUI thread for a widget) and waits for its
/// answer, so that work on a worker thread can show a dialog and be answered there.
template <typename Work> std::invoke_result_t<Work> onGuiThread(QObject* context, Work work) {
    using Answer = std::invoke_result_t<Work>;
    if (QThread::currentThread() == context->thread()) {
        return work();
    }
    if constexpr (std::is_void_v<Answer>) {
        QMetaObject::invokeMethod(context, std::move(work), Qt::BlockingQueuedConnection);
    } else {
        Answer answer{};
        QMetaObject::invokeMethod(context, std::move(work), Qt::BlockingQueuedConnection, &answer);
        return answer;
    }
}

} // namespace korvel::gui
