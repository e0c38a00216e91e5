// Stands in for the application's executable where git and ssh start our helper: the same
// helper code, without the window.
#include "helper/helperMode.h"

int main(int argc, char* argv[]) {
    if (const std::optional<int> status = tolvane::runHelperIfInvoked(argc, argv))
        return *status;
    return 2;
}
