// A program the import check must refuse: linked with the compiler's runtime as DLLs (libstdc++,
// libgcc; MSVC's VCRUNTIME and MSVCP), which an operator's Windows does not have.
#include <stdexcept>
#include <string>

int main(int argc, char** argv) {
    try {
        if (argc > 1) {
            throw std::runtime_error(std::string("unexpected argument ") + argv[1]);
        }
    } catch (const std::exception& error) {
        return static_cast<int>(std::string(error.what()).size());
    }
    return 0;
}
