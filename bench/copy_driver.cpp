// The floor of one host calculation: a stand-in for the driver that only
// copies a ready "outfile.ready" to "outfile.dat" in the current folder (the
// adapter starts the driver there). It starts and links like the real
// driver, so process start, the command interpreter and the exchange files
// cost the same; host_call_bench times it beside the real driver.
#include <cstdio>

int main() {
  std::FILE* in = std::fopen("outfile.ready", "rb");
  if (!in) {
    std::fputs("copy_driver: cannot open outfile.ready\n", stderr);
    return 1;
  }
  std::FILE* out = std::fopen("outfile.dat", "wb");
  if (!out) {
    std::fclose(in);
    std::fputs("copy_driver: cannot create outfile.dat\n", stderr);
    return 1;
  }
  char buffer[1 << 14];
  size_t n = 0;
  bool ok = true;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) ok &= std::fwrite(buffer, 1, n, out) == n;
  std::fclose(in);
  ok &= std::fclose(out) == 0;
  return ok ? 0 : 1;
}
