// Placeholder entry until the UCI front end lands.
int main() { return 1; }
