/* The product of 7^k and 3^k, modulo a large prime, with GMP called directly:
   the floor a library-speed interpreter can approach. */
#include <gmp.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  unsigned long k = argc > 1 ? strtoul(argv[1], NULL, 10) : 0;
  mpz_t a, b;
  mpz_inits(a, b, NULL);
  mpz_ui_pow_ui(a, 7, k);
  mpz_ui_pow_ui(b, 3, k);
  mpz_mul(a, a, b);
  return (int)(mpz_fdiv_ui(a, 1000000007) & 0xFF);
}
