// korvi-type: types keys through the transliteration engine and the text
// service's key rules, and prints the resulting text.
#include <iostream>
#include <string>
#include <vector>

#include "typist.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return korvi::type::Run(args, std::cin, std::cout, std::cerr);
}
