#pragma once

#include "Exceptions.h"

namespace Cli {

// A command line that does not fit the command: answered with the full usage and kExitUsage.
class TUsageError : public Exception
{
public:
    using Exception::Exception;
};

} // namespace Cli
