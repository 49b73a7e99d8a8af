#include "guardedrun.h"

#include "exitstatus.h"
#include "runsetup.h"
#include "standarderror.h"

#include <cstdio>
#include <exception>
#include <new>

int RunGuarded(const std::function<int()> &command)
{
    try {
        return command();
    } catch (const std::bad_alloc &) {
        // Without allocating: there may be no memory left for a message built at run time.
        std::fputs("quorvane-cli: not enough memory\n", stderr);
    } catch (const std::exception &error) {
        ReportError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("unknown error"));
    }
    return kExitFailed;
}
