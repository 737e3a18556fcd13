// SPDX-License-Identifier: MIT
#include "platform/DisplayPlatform.h"
#include "app/Unit1.h"
#include "platform/Application.h"

int main(int argc, char** argv)
{
    ChooseDisplayPlatform(argc, argv);
    TApplication application(argc, argv);
    TForm1 form;
    form.show();
    return application.exec();
}
