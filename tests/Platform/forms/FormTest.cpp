#include "Platform/forms/Form.h"

#include "Platform/forms/Application.h"
#include "tests/support/ModalHooks.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace vrx::forms;
using vrx::test::ScopedMessageBoxHook;
using vrx::test::ScopedModalHook;

namespace {

/// A plain component that records its own destruction.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name, std::vector<std::string>& log)
        : TComponent(owner), log_(log) {
        SetName(std::move(name));
    }
    ~Probe() override { log_.push_back(Name()); }

private:
    std::vector<std::string>& log_;
};

/// A form whose handlers write what happened into a journal.
class JournalForm : public TForm {
public:
    explicit JournalForm(TComponent* owner, std::vector<std::string>& log)
        : TForm(owner), log_(log) {
        OnCreate = [this](TObject*) { log_.push_back("create"); };
        OnShow = [this](TObject*) { log_.push_back("show"); };
        OnCloseQuery = [this](TObject*, bool& canClose) {
            log_.push_back("closequery");
            canClose = allowClose;
        };
        OnClose = [this](TObject*, TCloseAction& action) {
            log_.push_back("close");
            action = closeAction;
        };
        OnDestroy = [this](TObject*) { log_.push_back("destroy"); };
    }
    bool allowClose = true;
    TCloseAction closeAction = TCloseAction::caHide;

private:
    std::vector<std::string>& log_;
};

} // namespace

TEST(ComponentTest, OwnerKeepsCreationOrderAndFreesNewestFirst) {
    std::vector<std::string> freed;
    auto* owner = new TComponent(nullptr);
    new Probe(owner, "first", freed);
    auto* second = new Probe(owner, "second", freed);
    new Probe(owner, "third", freed);
    second->SetTag(5);
    ASSERT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->Components(0)->Name(), "first");
    EXPECT_EQ(owner->FindComponent("second")->Tag(), 5);
    EXPECT_EQ(owner->FindComponent("Second"), nullptr);

    delete second; // leaves its owner's list
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete owner;
    EXPECT_EQ(freed, (std::vector<std::string>{"second", "third", "first"}));
}

TEST(ComponentTest, ChangeOwnerMovesWithoutFreeing) {
    std::vector<std::string> freed;
    auto* a = new TComponent(nullptr);
    auto* b = new TComponent(nullptr);
    auto* p = new Probe(a, "p", freed);
    p->ChangeOwner(b);
    delete a;
    EXPECT_TRUE(freed.empty());
    EXPECT_EQ(b->Components(0), p);
    delete b;
    EXPECT_EQ(freed, std::vector<std::string>{"p"});
}

TEST(ComponentTest, FreeAndNilClearsTheVariable) {
    std::vector<std::string> freed;
    Probe* p = new Probe(nullptr, "x", freed);
    FreeAndNil(p);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(freed.size(), 1u);
    FreeAndNil(p); // an empty variable is fine
}

TEST(FormTest, OwnedComponentsAreIndependentOfTheVisualParent) {
    auto* form = new TForm(nullptr);
    auto* panel = new TWinControl(form, new QWidget);
    panel->SetParent(form);
    auto* inner = new TControl(form, new QWidget);
    inner->SetParent(panel);
    EXPECT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(form->Components(1), inner);
    EXPECT_EQ(panel->ControlCount(), 1);
    EXPECT_EQ(inner->Widget()->parentWidget(), panel->Widget());
    form->Free(); // frees the inner control before the panel that shows it
}

TEST(FormTest, LifecycleEventsInOrder) {
    std::vector<std::string> log;
    auto* form = Create<JournalForm>(nullptr, log);
    form->Show();
    form->Close();
    EXPECT_FALSE(form->Visible());
    form->Free();
    EXPECT_EQ(log, (std::vector<std::string>{"create", "show", "closequery", "close", "destroy"}));
}

TEST(FormTest, CloseQueryCanRefuse) {
    std::vector<std::string> log;
    auto* form = Create<JournalForm>(nullptr, log);
    form->allowClose = false;
    form->Show();
    form->Close();
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(log.back(), "closequery");
    form->Free();
}

TEST(FormTest, CloseActionFreeReleasesTheFormAfterTheCurrentEvent) {
    std::vector<std::string> log;
    auto* form = Create<JournalForm>(nullptr, log);
    form->closeAction = TCloseAction::caFree;
    form->Show();
    form->Close();
    EXPECT_EQ(log.back(), "close"); // still alive inside the handler that closed it
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QApplication::processEvents();
    EXPECT_EQ(log.back(), "destroy");
}

TEST(FormTest, DesktopCloseRequestGoesThroughTheFormsClosePath) {
    std::vector<std::string> log;
    auto* form = Create<JournalForm>(nullptr, log);
    form->Show();
    form->Widget()->close(); // the window manager's close button
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(log.back(), "close");
    form->Free();
}

TEST(FormTest, ChildFormIsShownInsideAnotherAndGivenBack) {
    auto* host = new TForm(nullptr);
    auto* child = new TForm(nullptr);
    child->SetParent(host);
    child->SetBounds(4, 130, 422, 346);
    EXPECT_FALSE(child->Widget()->isWindow());
    EXPECT_EQ(child->Widget()->parentWidget(), host->Widget());
    EXPECT_EQ(child->Left(), 4);
    child->SetParent(nullptr);
    EXPECT_TRUE(child->Widget()->isWindow());
    host->Free();
    EXPECT_EQ(child->Width(), 422); // given back, it survives its former host
    child->Free();
}

TEST(FormTest, ShowModalReturnsTheResultTheHookSets) {
    std::vector<std::string> log;
    auto* form = Create<JournalForm>(nullptr, log);
    bool visibleDuringModal = false;
    {
        ScopedModalHook hook([&](TForm& f) {
            visibleDuringModal = f.Visible();
            f.SetModalResult(mrYes);
            return mrNone;
        });
        EXPECT_EQ(form->ShowModal(), mrYes);
    }
    EXPECT_TRUE(visibleDuringModal);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->Modal());
    form->Free();
}

TEST(FormTest, ModalFormClosedOtherwiseGivesCancel) {
    auto* form = new TForm(nullptr);
    ScopedModalHook hook([](TForm& f) {
        f.Close();
        return mrNone;
    });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    form->Free();
}

TEST(FormTest, EscapeClosesAModalFormWithCancelUnlessAHandlerSwallowsIt) {
    auto* form = new TForm(nullptr);
    auto* edit = new TWinControl(form, new QLineEdit);
    edit->SetParent(form);
    bool swallow = false;
    edit->OnKeyPress = [&](TObject*, TKeyChar& key) {
        if (swallow && key == 27)
            key = 0;
    };
    struct Case {
        const char* where;
        QWidget* target;
        bool swallowed;
        int result;
    };
    const std::vector<Case> cases = {
        {"on the form", form->Widget(), false, mrCancel},
        {"in an edit", edit->Widget(), false, mrCancel}, // the edit passes it on
        {"swallowed by the edit's handler", edit->Widget(), true, mrOk},
    };
    for (const Case& c : cases) {
        swallow = c.swallowed;
        int resultAfterEscape = -1;
        ScopedModalHook hook([&](TForm& f) {
            QTest::keyClick(c.target, Qt::Key_Escape);
            resultAfterEscape = f.ModalResult();
            return mrOk; // what the user does next, if the form is still open
        });
        EXPECT_EQ(form->ShowModal(), c.result) << c.where;
        EXPECT_EQ(resultAfterEscape, c.result == mrCancel ? mrCancel : mrNone) << c.where;
    }

    // Shown without a modal loop, Escape leaves the form open.
    form->Show();
    QTest::keyClick(form->Widget(), Qt::Key_Escape);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->ModalResult(), mrOk); // untouched since the last modal showing
    form->Free();
}

TEST(FormTest, EscapeEndsTheRealModalLoopWithCancel) {
    auto* form = new TForm(nullptr);
    QTimer::singleShot(0, [form] { QTest::keyClick(form->Widget(), Qt::Key_Escape); });
    // Should Escape not end the loop, this does, and the test fails instead of hanging.
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [form] { form->SetModalResult(mrAbort); });
    fallback.start(10000);
    EXPECT_EQ(form->ShowModal(), mrCancel);
    form->Free();
}

TEST(FormTest, ModalFormThatRefusesIsAskedAgain) {
    std::vector<std::string> log;
    auto* form = Create<JournalForm>(nullptr, log);
    form->allowClose = false;
    int rounds = 0;
    ScopedModalHook hook([&](TForm& f) {
        if (++rounds == 3)
            form->allowClose = true;
        f.SetModalResult(mrOk);
        return mrNone;
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(rounds, 3);
    form->Free();
}

TEST(FormTest, ModalLoopWithoutHookEndsWhenAResultIsSet) {
    auto* form = new TForm(nullptr);
    // The real loop: a timer plays the user from inside it.
    QTimer::singleShot(0, [form] { form->SetModalResult(mrNo); });
    EXPECT_EQ(form->ShowModal(), mrNo);
    form->Free();
}

TEST(FormTest, KeyPressHandlerCanChangeOrSwallowKeys) {
    auto* form = new TForm(nullptr);
    auto* edit = new TWinControl(form, new QLineEdit);
    edit->SetParent(form);
    edit->OnKeyPress = [](TObject*, TKeyChar& key) {
        if (key == u'x')
            key = 0;
        else if (key == u'a')
            key = u'A';
    };
    auto* line = static_cast<QLineEdit*>(edit->Widget());
    QTest::keyClicks(line, "axbx1");
    EXPECT_EQ(line->text().toStdString(), "Ab1");
    form->Free();
}

TEST(FormTest, ExceptionFromAHandlerGoesToTheErrorBoxAndTheProgramGoesOn) {
    ScopedMessageBoxHook boxes;
    auto* form = new TForm(nullptr);
    auto* control = new TControl(form, new QWidget);
    control->SetParent(form);
    form->Show();
    int clicks = 0;
    control->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
        ++clicks;
        throw std::runtime_error("broken handler");
    };
    QTest::mouseClick(control->Widget(), Qt::LeftButton);
    QTest::mouseClick(control->Widget(), Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(boxes.asked[0].text, "broken handler");
    EXPECT_EQ(boxes.asked[0].flags & 0xF0, MB_ICONERROR);
    form->Free();
}

TEST(FormTest, WindowRegionIsKeptAndShapesTheSnapshot) {
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(0, 0, 100, 80);
    form->SetColor(0x0000FF);
    form->SetWindowRegion(QRegion(0, 0, 50, 80));
    form->Show();
    const QImage shot = form->Snapshot();
    EXPECT_EQ(form->WindowRegion(), QRegion(0, 0, 50, 80));
    EXPECT_EQ(shot.pixelColor(10, 10), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(70, 10).alpha(), 0);
    form->Free();
}
