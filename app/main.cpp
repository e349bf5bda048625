// VELMORA: the program's entry. It creates the one window and runs the event
// loop until the window is closed. A failure while the window is being
// created (a client library that cannot be loaded) is shown in a box of its
// own and ends the program with exit code 1.
#include "app/TApplication.h"
#include "app/TForm1.h"

#include <exception>
#include <memory>

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    std::unique_ptr<TForm1> Form1;
    try {
        Form1 = std::make_unique<TForm1>();
    } catch (...) {
        ShowStartupFailure(std::current_exception());
        return 1;
    }
    Form1->show();
    return application.exec();
}
