#include <cstdio>

int main() {
  std::puts("vexalorn-cli");
  return 0;
}
