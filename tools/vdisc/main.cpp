#include <iostream>

#include "VdiscTool.h"

int main(int argc, char** argv) {
    std::vector<std::string> l__Arguments(argv + 1, argv + argc);
    VdiscTool l__Tool(std::cout, std::cerr);
    return l__Tool.Run(l__Arguments);
}
