// Server administration tool (to be written).
int main() { return 2; }
