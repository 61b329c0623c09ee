/* A program that carries the manifest of the other architecture: the manifest
   check must refuse it. It is never run. */
int main(void) { return 0; }
