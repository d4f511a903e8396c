#include "ui/command_table.h"

namespace sonvaro {
namespace {

constexpr CommandEntry kCommandTable[] = {
    {Command::Previous, "Vorheriger Titel", "prev", false},
    {Command::Play, "Wiedergabe", "play", false},
    {Command::Pause, "Pause", "pause", true},
    {Command::Stop, "Stop", "stop", false},
    {Command::Next, "Nächster Titel", "next", false},
    {Command::RecordRadio, "Radio Aufnahme", "record-off", false},
    {Command::Mute, "Stumm", "mute", true},
    {Command::Repeat, "Wiedergabe Wiederholen", "repeat", true},
    {Command::Random, "Zufällige Wiedergabe", "shuffle", true},
    {Command::OpenMenu, "Öffnen", "open", false},
    {Command::PlaylistLayout, "Wiedergabeliste", "playlist", false},
    {Command::LibraryLayout, "Medienbibliothek", "library", false},
    {Command::Equalizer, "Equalizer", "equalizer", false},
    {Command::Settings, "Einstellungen", "settings", false},
    {Command::Task, "Aufgabe", "task", false},
    {Command::PlaylistPlay, "Wiedergabe", "play", false},
    {Command::Shuffle, "Mischen", "shuffle", false},
    {Command::SortTitle, "Titel", "sort", false},
    {Command::SortArtist, "Interpret", "sort", false},
    {Command::SortAlbum, "Album", "sort", false},
    {Command::SortNumber, "Nummer", "sort", false},
    {Command::SortLength, "Länge", "sort", false},
    {Command::SortYear, "Jahr", "sort", false},
    {Command::SortType, "Typ", "sort", false},
    {Command::Search, "Suchen", "find", false},
    {Command::AddFiles, "Datei", "add-file", false},
    {Command::AddFolder, "Ordner", "add-folder", false},
    {Command::Generate, "Generieren", "generate", false},
    {Command::ShowInFolder, "Ordner Öffnen", "open", false},
    {Command::CopyFiles, "Kopieren..", "copy", false},
    {Command::SavePlaylist, "Playlist Speichern", "save", false},
    {Command::SelectAll, "Alles Auswählen", "select-all", false},
    {Command::Remove, "Entfernen", "remove", false},
    {Command::RemoveAll, "Alles entfernen", "clear", false},
    {Command::AutoTag, "AutoTag", "tag", false},
    {Command::Refresh, "Aktuallisieren", "refresh", false},
    {Command::Information, "Informationen", "info", false},
    {Command::OpenAddFiles, "Datei", "add-file", false},
    {Command::OpenAddFolder, "Ordner", "add-folder", false},
    {Command::ShowHide, "Verstecken", "", false},
    {Command::TrayPrevious, "Vorheriger Titel", "prev", false},
    {Command::TrayPlay, "Wiedergabe", "play", false},
    {Command::TrayPause, "Pause", "pause", false},
    {Command::TrayStop, "Stop", "stop", false},
    {Command::TrayNext, "Nächster Titel", "next", false},
    {Command::Log, "Log", "log", false},
    {Command::RadioLog, "Radio Log", "log", false},
    {Command::TraySettings, "Einstellungen", "settings", false},
    {Command::TrayEqualizer, "Equalizer", "equalizer", false},
    {Command::UpdateCheck, "Neue Version", "update", false},
    {Command::Website, "Webseite", "web", false},
    {Command::Feedback, "Feedback", "mail", false},
    {Command::RecordingFolder, "Aufnahme Ordner", "open", false},
    {Command::Help, "Hilfe", "help", false},
    {Command::About, "Informationen", "info", false},
    {Command::Exit, "Beenden", "exit", false},
    {Command::AlignLeft, "Linksbündig", "", false},
    {Command::AlignCenter, "Zentriert", "", false},
    {Command::AlignRight, "Rechtsbündig", "", false},
};

}  // namespace

std::span<const CommandEntry> CommandEntries() {
    return kCommandTable;
}

}  // namespace sonvaro
