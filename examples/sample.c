/* The sample module's only code: it is never run, only read. */
int main(void) { return 0; }
