#pragma once

// The tour's part for the salesperson's road through an order, once signed in
// and synchronised: two products go into a new order, one from its tile and one
// from its detail screen with its attributes; the order opens in the editor, a
// customer is picked from the list, a line and the whole order get discounts,
// the PDF is shown and signed, and the order is saved and submitted to the
// company server. Every step is a tap or a keystroke on the window, as a person
// makes it, and leaves a picture; the terminal says what happened.

class DemoTour;

class OrderRoadTour {
public:
    static void addSteps(DemoTour& tour);
};
