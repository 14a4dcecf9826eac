#pragma once
// The debug page's "录制" box (1057): ticked, every opening of the port is recorded into a new
// file in the recording folder; the folder is asked for the first time (and again when it has
// gone) and changed from the box's context menu. Its tooltip, read by assistive technology too,
// says where the recording goes or goes now.
//
// Owns: the box's handlers and its tooltip; the choice of the folder (saved as the recording
// session's setting).
// Does not touch: the recording itself, which the session arms, starts and stops.

class DebugSession;
class DialogPage;
class QCheckBox;
class UiServices;

class RecordingBox {
public:
    RecordingBox(DialogPage& page, UiServices& services, DebugSession& session);

    void OnToggle(bool on);
    // Asks for the recording folder; true if one was picked.
    bool ChooseFolder();

private:
    // The box and its tooltip as the session's recording stands.
    void Update();
    void UpdateTip();

    DialogPage& m_page;
    UiServices& m_services;
    DebugSession& m_session;
    QCheckBox* m_box = nullptr;
};
