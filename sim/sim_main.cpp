// tvx5870-sim: a simulated title generator on a serial line and over TCP.
#include "sim_options.h"
#include "sim_run.h"

int main(int argc, char** argv) {
    tvxsim::Options opt;
    int exit_code = 0;
    if (!tvxsim::ParseOptions(argc, argv, opt, exit_code)) return exit_code;
    return tvxsim::RunSimulator(opt);
}
