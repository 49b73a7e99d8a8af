#include "cli/guardedrun.h"

#include "cli/exitstatus.h"
#include "cli/standarderror.h"

#include <exception>
#include <new>

int RunGuarded(const std::function<int()> &command)
{
    try {
        return command();
    } catch (const std::bad_alloc &) {
        // The unwinding has freed what the failed step held, so this short line can be made.
        ReportError(QStringLiteral("not enough memory"));
    } catch (const std::exception &error) {
        ReportError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("unknown error"));
    }
    return kExitFailed;
}
