#include <cstdio>

int main() {
  std::puts("QMXV");
  return 0;
}
