// The one maker of temporary folder trees for tests.
#ifndef SORVANE_TESTS_TEMP_TREE_H
#define SORVANE_TESTS_TEMP_TREE_H

#include <windows.h>
#include <stdio.h>

#include <string>

// A folder tree under the Wine temporary folder, removed again afterwards.
class TempTree {
public:
    explicit TempTree(const char* name)
    {
        char temp[MAX_PATH] = {0};
        GetTempPathA(sizeof(temp), temp);
        static int serial = 0;
        char unique[MAX_PATH] = {0};
        snprintf(unique, sizeof(unique), "%s%s-%lu-%d", temp, name, GetCurrentProcessId(), ++serial);
        root = unique;
        RemoveTree(root);
        CreateDirectoryA(root.c_str(), NULL);
    }

    ~TempTree() { RemoveTree(root); }

    // relative ending with a backslash makes a folder, else an empty file.
    void Add(const std::string& relative)
    {
        std::string path = root + "\\" + relative;
        if (!path.empty() && path.back() == '\\') {
            path.pop_back();
            CreateDirectoryA(path.c_str(), NULL);
            return;
        }
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }

    // count files named prefix0 ... in folder (relative, with trailing backslash or empty).
    void AddFiles(const std::string& folder, const char* prefix, int count)
    {
        for (int i = 0; i < count; ++i)
            Add(folder + prefix + std::to_string(i) + ".txt");
    }

    // folders d0 ... each holding filesEach files f0.txt ...
    void AddFoldersOfFiles(int folders, int filesEach)
    {
        for (int i = 0; i < folders; ++i) {
            std::string folder = "d" + std::to_string(i) + "\\";
            Add(folder);
            AddFiles(folder, "f", filesEach);
        }
    }

    std::string root;

private:
    static void RemoveTree(const std::string& path)
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                std::string child = path + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(child);
                else
                    DeleteFileA(child.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }
};

#endif
