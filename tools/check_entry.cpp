// quillomat-check's entry where arguments arrive as UTF-8 already.
int check_main(int argc, char** argv);

int main(int argc, char** argv) {
    return check_main(argc, argv);
}
