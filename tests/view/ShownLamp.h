#pragma once

#include "gui/TemplateForm.h"
#include "view/BriskView.h"

#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

// The lamp a control of the view shows now, told by its picture.
inline Led ShownLamp(CBriskView& view, int id) {
    const QImage shown = qobject_cast<QLabel*>(view.Form->Control(id))->pixmap().toImage();
    for (Led led : {Led::DarkRed, Led::DarkGreen, Led::Red, Led::Yellow, Led::Green})
        if (view.Leds.Image(led).toImage() == shown)
            return led;
    ADD_FAILURE() << "control " << id << " shows no lamp";
    return Led::DarkRed;
}
