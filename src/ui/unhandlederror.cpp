#include "ui/unhandlederror.h"

#include "startup/modpub.h"
#include "startup/runtimeerror.h"
#include "ui/messagebox.h"

#include <new>

namespace ui {

namespace {

// Anything other than the program's own error is shown in the same form.
RuntimeError asRuntimeError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return RuntimeError(7, QStringLiteral("内存溢出"));
    } catch (const std::exception &e) {
        const QString what = QString::fromUtf8(e.what());
        return RuntimeError(51, what.isEmpty() ? QStringLiteral("内部错误") : what);
    } catch (...) {
        return RuntimeError(51, QStringLiteral("内部错误"));
    }
}

} // namespace

void endWithRuntimeError(std::exception_ptr error) noexcept
{
    try {
        MessageBox::critical(nullptr, QStringLiteral("Tolvaro"), asRuntimeError(error).message());
        modPub::End();
    } catch (...) {
        // Showing the message failed as well; end without it.
        std::terminate();
    }
}

} // namespace ui
